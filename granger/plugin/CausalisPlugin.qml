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
    minimumWidth: 640
    minimumHeight: 480
    title: "RFX Granger Causality Mapping (GCM) v2.7"

    // The buttons beside the fields share one width, so the fields line up.
    readonly property real sideButtonWidth: Math.max(voiBrowseButton.implicitWidth, startCheckButton.implicitWidth,
                                                     vtcAddButton.implicitWidth, conditionsButton.implicitWidth,
                                                     groupButton.implicitWidth)
    SystemPalette { id: colors }
    FontMetrics { id: textMetrics; font: vtcList.font }

    // Height of a text area that shows `lines` lines.
    function linesHigh(area, lines) {
        return lines * textMetrics.lineSpacing + area.topPadding + area.bottomPadding
    }

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

    // The whole form scrolls when the window is smaller than its controls
    // need; a larger window gives the extra height to the log.
    ScrollView {
        id: page
        objectName: "gcmPage"
        anchors.fill: parent
        clip: true
        contentWidth: availableWidth
        contentHeight: Math.max(body.implicitHeight + 2 * body.anchors.margins, window.height)
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
        // A page that scrolls says so: the bar stays in view, in the margin.
        ScrollBar.vertical.policy: contentHeight > height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff

        ColumnLayout {
            id: body
            anchors.fill: parent
            anchors.margins: 12
            spacing: 6

            GroupBox {
                title: "Reference region"
                Layout.fillWidth: true
                GridLayout {
                    anchors.fill: parent
                    columns: 3
                    Label { objectName: "voiFileLabel"; text: "VOI file" }
                    TextField { id: voiFileField; objectName: "voiFileField"; Layout.fillWidth: true; selectByMouse: true }
                    Button {
                        id: voiBrowseButton
                        objectName: "voiBrowseButton"
                        text: "Browse..."
                        Layout.preferredWidth: window.sideButtonWidth
                        onClicked: {
                            var f = talvora.chooseOpenFile("Open a VOI file", "VOI files (*.voi)")
                            if (f.length > 0) voiFileField.text = f
                        }
                    }
                    Label { objectName: "voiComboLabel"; text: "Reference VOI" }
                    ComboBox { id: voiCombo; objectName: "voiCombo"; Layout.fillWidth: true }
                    Button {
                        id: startCheckButton
                        objectName: "startCheckButton"
                        text: "Load VOIs"
                        Layout.preferredWidth: window.sideButtonWidth
                        onClicked: window.startCheck()
                    }
                }
            }

            GroupBox {
                title: "Subject"
                Layout.fillWidth: true
                GridLayout {
                    anchors.fill: parent
                    columns: 3
                    Label { objectName: "subjectLabel"; text: "Subject ID" }
                    TextField { id: subjectField; objectName: "subjectField"; Layout.fillWidth: true; Layout.columnSpan: 2; selectByMouse: true }
                    Label { objectName: "vtcListLabel"; text: "VTC files, one per line" }
                    ScrollView {
                        objectName: "vtcListView"
                        Layout.fillWidth: true
                        Layout.minimumHeight: linesHigh(vtcList, 4)
                        Layout.preferredHeight: linesHigh(vtcList, 4)
                        TextArea {
                            id: vtcList
                            objectName: "vtcList"
                            selectByMouse: true
                        background: Rectangle {
                            color: colors.base
                            border.width: 1
                            border.color: vtcList.activeFocus ? colors.highlight : colors.mid
                        }
                        }
                    }
                    Button {
                        id: vtcAddButton
                        objectName: "vtcAddButton"
                        text: "Add..."
                        Layout.preferredWidth: window.sideButtonWidth
                        Layout.alignment: Qt.AlignTop
                        onClicked: {
                            var f = talvora.chooseOpenFile("Add a VTC", "Volume Time Course Files (*.vtc)")
                            if (f.length > 0) vtcList.text = vtcList.text.length > 0 ? vtcList.text + "\n" + f : f
                        }
                    }
                    Label { objectName: "methodLabel"; text: "Intervals" }
                    ComboBox {
                        id: methodCombo
                        objectName: "methodCombo"
                        Layout.fillWidth: true
                        Layout.columnSpan: 2
                        model: ["Manual: one interval per VTC", "Protocol condition"]
                    }
                    Label { objectName: "conditionLabel"; text: "Condition" }
                    ComboBox { id: conditionCombo; objectName: "conditionCombo"; Layout.fillWidth: true }
                    Button {
                        id: conditionsButton
                        objectName: "conditionsButton"
                        text: "Read conditions"
                        Layout.preferredWidth: window.sideButtonWidth
                        onClicked: window.readConditions()
                    }
                    Label { objectName: "manualNameLabel"; text: "Interval name" }
                    TextField { id: manualName; objectName: "manualName"; text: "Interval"; Layout.fillWidth: true; Layout.columnSpan: 2; selectByMouse: true }
                    // The manual interval: from this volume to the last but the skipped ones.
                    Label { objectName: "intervalStartLabel"; text: "First volume" }
                    SpinBox { id: intervalStart; objectName: "intervalStart"; from: 1; to: 32767; value: 1; editable: true; Layout.columnSpan: 2 }
                    Label { objectName: "intervalEndLabel"; text: "Volumes skipped at end" }
                    SpinBox { id: intervalEnd; objectName: "intervalEnd"; from: 0; to: 32767; value: 0; editable: true; Layout.columnSpan: 2 }
                    Button { objectName: "runButton"; text: "Run"; Layout.columnSpan: 3; Layout.alignment: Qt.AlignRight; onClicked: window.runGcm() }
                }
            }

            GroupBox {
                title: "Group"
                Layout.fillWidth: true
                GridLayout {
                    anchors.fill: parent
                    columns: 2
                    Label {
                        objectName: "groupListLabel"
                        text: "One line per subject: ID, data folder, optional own VOI name"
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                        Layout.columnSpan: 2
                    }
                    ScrollView {
                        objectName: "groupListView"
                        Layout.fillWidth: true
                        Layout.minimumHeight: linesHigh(groupList, 4)
                        Layout.preferredHeight: linesHigh(groupList, 4)
                        TextArea {
                            id: groupList
                            objectName: "groupList"
                            selectByMouse: true
                        background: Rectangle {
                            color: colors.base
                            border.width: 1
                            border.color: groupList.activeFocus ? colors.highlight : colors.mid
                        }
                        }
                    }
                    Button {
                        id: groupButton
                        objectName: "groupButton"
                        text: "Prepare group maps"
                        Layout.preferredWidth: window.sideButtonWidth
                        Layout.alignment: Qt.AlignTop
                        onClicked: window.prepareGroup()
                    }
                }
            }

            Label { id: statusLabel; objectName: "statusLabel"; text: ""; Layout.fillWidth: true }

            Label { objectName: "logLabel"; text: "Log" }
            ScrollView {
                id: logScroll
                objectName: "logScroll"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: linesHigh(logView, 4)
                Layout.preferredHeight: linesHigh(logView, 6)
                TextArea {
                    id: logView
                    objectName: "logView"
                    readOnly: true
                    text: talvora.logText
                    font.family: "monospace"
                    background: Rectangle {
                        color: colors.base
                        border.width: 1
                        border.color: colors.mid
                    }

                    // The log follows its newest line: when lines arrive and
                    // when the window gives the view another height.
                    function showNewestLine() {
                        var view = logScroll.contentItem
                        view.contentY = view.originY + Math.max(0, view.contentHeight - view.height)
                    }
                    onTextChanged: { cursorPosition = length; showNewestLine() }
                    Connections {
                        target: logScroll.contentItem
                        function onContentHeightChanged() { logView.showNewestLine() }
                        function onHeightChanged() { logView.showNewestLine() }
                    }
                }
            }
        }
    }
}
