// The form of the Granger causality mapping plug-in: the user picks the VOI
// file and reference VOI, the subject's VTCs, the interval method and the
// condition, runs the mapping per subject, and gathers the group map files.
// Values reach the plug-in as script parameters; a command is the parameter
// "COMMAND" followed by execute().
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15

ApplicationWindow {
    id: window
    objectName: "gcmForm"
    visible: true
    width: 760
    height: 720
    title: "RFX Granger Causality Mapping (GCM) v2.7"

    // Runs one command of the plug-in; false when the plug-in refused it.
    function runCommand(command) {
        talvora.setStringParameter("COMMAND", command)
        var ok = talvora.execute()
        statusLabel.text = command + (ok ? " done" : " stopped, see the log")
        return ok
    }

    function vtcPaths() {
        var paths = []
        var lines = vtcList.text.split("\n")
        for (var i = 0; i < lines.length; ++i) {
            var p = lines[i].trim()
            if (p.length > 0)
                paths.push(p)
        }
        return paths
    }

    function startCheck() {
        talvora.setStringParameter("VOIFile", voiFileField.text)
        if (!runCommand("StartCheck"))
            return
        var names = []
        var n = talvora.intParameter("NrOfVOIsAvailable")
        for (var i = 1; i <= n; ++i)
            names.push(talvora.stringParameter("NameOfVOI-" + i))
        voiCombo.model = names
    }

    function readConditions() {
        var paths = vtcPaths()
        if (paths.length === 0)
            return
        talvora.setStringParameter("VTCFile", paths[0])
        if (!runCommand("GetCondsOfVTCProtocol"))
            return
        var names = []
        var n = talvora.intParameter("NrOfConditions")
        for (var i = 1; i <= n; ++i)
            names.push(talvora.stringParameter("CondName-" + i))
        conditionCombo.model = names
    }

    function setRunParameters() {
        var paths = vtcPaths()
        talvora.setStringParameter("VOIFile", voiFileField.text)
        talvora.setIntParameter("SelectedVOIIndex", Math.max(0, voiCombo.currentIndex))
        talvora.setIntParameter("SelectedTimeWindowMethod", methodCombo.currentIndex + 1)
        talvora.setStringParameter("SelectedConditionName",
                                   methodCombo.currentIndex === 1 ? conditionCombo.currentText : manualName.text)
        talvora.setIntParameter("VTCProtocolCond", Math.max(0, conditionCombo.currentIndex))
        talvora.setIntParameter("VTCIntervalStart", intervalStart.value)
        talvora.setIntParameter("VTCIntervalEnd", intervalEnd.value)
        talvora.setStringParameter("SubjectID", subjectField.text)
        talvora.setIntParameter("NrOfSubjVTCs", paths.length)
        for (var i = 0; i < paths.length; ++i)
            talvora.setStringParameter("SubjVTC-" + (i + 1), paths[i])
    }

    function runGcm() {
        setRunParameters()
        runCommand("RunGCM")
    }

    // Group lines: "<subject id> <data folder> [<VOI name>]".
    function prepareGroup() {
        var lines = groupList.text.split("\n")
        var n = 0
        var ownVois = false
        for (var i = 0; i < lines.length; ++i) {
            var parts = lines[i].trim().split(/\s+/)
            if (parts.length < 2 || parts[0].length === 0)
                continue
            ++n
            talvora.setStringParameter("SubjID-" + n, parts[0])
            talvora.setStringParameter("SubjDataFolder-" + n, parts[1])
            if (parts.length > 2) {
                talvora.setStringParameter("SubjVOIName-" + n, parts[2])
                ownVois = true
            }
        }
        talvora.setIntParameter("NrOfSubjects", n)
        talvora.setIntParameter("SelectedTimeWindowMethod", methodCombo.currentIndex + 1)
        talvora.setIntParameter("SubjectSpecificVOIs", ownVois ? 1 : 0)
        runCommand("PrepareForANCOVA")
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 6

        GroupBox {
            title: "Reference region"
            Layout.fillWidth: true
            GridLayout {
                anchors.fill: parent
                columns: 3
                Label { text: "VOI file" }
                TextField { id: voiFileField; objectName: "voiFileField"; Layout.fillWidth: true }
                Button {
                    text: "Browse..."
                    onClicked: {
                        var f = talvora.chooseOpenFile("Open a VOI file", "VOI files (*.voi)")
                        if (f.length > 0) voiFileField.text = f
                    }
                }
                Button { objectName: "startCheckButton"; text: "Load VOIs"; onClicked: window.startCheck() }
                ComboBox { id: voiCombo; objectName: "voiCombo"; Layout.fillWidth: true; Layout.columnSpan: 2 }
            }
        }

        GroupBox {
            title: "Subject"
            Layout.fillWidth: true
            GridLayout {
                anchors.fill: parent
                columns: 3
                Label { text: "Subject ID" }
                TextField { id: subjectField; objectName: "subjectField"; Layout.fillWidth: true; Layout.columnSpan: 2 }
                Label { text: "VTC files\n(one per line)" }
                TextArea { id: vtcList; objectName: "vtcList"; Layout.fillWidth: true; Layout.preferredHeight: 60 }
                Button {
                    text: "Add..."
                    onClicked: {
                        var f = talvora.chooseOpenFile("Add a VTC", "Volume Time Course Files (*.vtc)")
                        if (f.length > 0) vtcList.text = vtcList.text.length > 0 ? vtcList.text + "\n" + f : f
                    }
                }
                Label { text: "Intervals" }
                ComboBox {
                    id: methodCombo
                    objectName: "methodCombo"
                    Layout.fillWidth: true
                    model: ["Manual: one interval per VTC", "Protocol condition"]
                }
                Button { objectName: "conditionsButton"; text: "Read conditions"; onClicked: window.readConditions() }
                Label { text: "Condition" }
                ComboBox { id: conditionCombo; objectName: "conditionCombo"; Layout.fillWidth: true; Layout.columnSpan: 2 }
                Label { text: "Manual: name, skip" }
                TextField { id: manualName; objectName: "manualName"; text: "Interval" }
                RowLayout {
                    SpinBox { id: intervalStart; objectName: "intervalStart"; from: 1; to: 32767; value: 1; editable: true }
                    SpinBox { id: intervalEnd; objectName: "intervalEnd"; from: 0; to: 32767; value: 0; editable: true }
                }
                Button { objectName: "runButton"; text: "Run"; Layout.columnSpan: 3; onClicked: window.runGcm() }
            }
        }

        GroupBox {
            title: "Group (one line per subject: ID, data folder, optional own VOI name)"
            Layout.fillWidth: true
            RowLayout {
                anchors.fill: parent
                TextArea { id: groupList; objectName: "groupList"; Layout.fillWidth: true; Layout.preferredHeight: 50 }
                Button { objectName: "groupButton"; text: "Prepare group maps"; onClicked: window.prepareGroup() }
            }
        }

        Label { id: statusLabel; objectName: "statusLabel"; text: "" }

        ScrollView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            TextArea {
                objectName: "logView"
                readOnly: true
                text: talvora.logText
                font.family: "monospace"
            }
        }
    }
}
