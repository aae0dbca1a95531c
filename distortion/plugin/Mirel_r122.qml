// The distortion-correction plug-in's form. It talks to the plug-in only
// through the host's named parameters: it stores the inputs, names the
// command in "task" and asks the host to execute the plug-in.
import QtQuick 2.9
import QtQuick.Controls 2.2
import QtQuick.Layouts 1.3
import QtQuick.Window 2.2

ApplicationWindow {
    id: window
    objectName: "mirelForm"
    title: "Mirel - distortion correction"
    width: 720
    height: 640
    visible: true

    function run(task) {
        talvora.setStringParameter("task", task)
        return talvora.execute()
    }

    // Fills one input row from the project the user picks.
    function selectProject(pathField, volumeBox) {
        run("select_fmr_or_dmr")
        var path = talvora.stringParameter("filename")
        if (path === "")
            return
        pathField.text = path
        var count = talvora.intParameter("nr_of_volumes")
        volumeBox.to = Math.max(0, count - 1)
        volumeBox.value = Math.min(volumeBox.to, Math.max(0, talvora.intParameter("display_volume") - 1))
    }

    function storeOptions() {
        talvora.setIntParameter("rllr", rllr.checked ? 1 : 0)
        talvora.setIntParameter("use_ic", useIc.checked ? 1 : 0)
        talvora.setIntParameter("use_ssd", useSsd.checked ? 1 : 0)
        talvora.setIntParameter("apply_to_input", applyToInput.checked ? 1 : 0)
        talvora.setIntParameter("save_derivative", saveDerivative.checked ? 1 : 0)
        talvora.setIntParameter("order", order.value)
    }

    function estimate() {
        talvora.setStringParameter("file0", file0.text)
        talvora.setStringParameter("file1", file1.text)
        talvora.setIntParameter("volume0", volume0.value)
        talvora.setIntParameter("volume1", volume1.value)
        storeOptions()
        talvora.setStringParameter("vdm", "")
        run("estimate")
        var vdm = talvora.stringParameter("vdm")
        if (vdm !== "")
            vdmPath.text = vdm
    }

    function applyMap() {
        talvora.setIntParameter("rllr", rllr.checked ? 1 : 0)
        talvora.setStringParameter("vdm", vdmPath.text)
        talvora.setStringParameter("files", files.text)
        run("apply")
    }

    function loadBatch() {
        var path = talvora.chooseOpenFile("Please select a batch file.", "*.txt")
        if (path === "")
            return
        talvora.setStringParameter("batchfilename", path)
        talvora.setStringParameter("filenames", "-1")
        run("readbatchfile")
        var text = talvora.stringParameter("filenames")
        if (text !== "-1")
            files.text = text
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 8

        GroupBox {
            title: "Projects with opposite phase encoding (FMR or DMR)"
            Layout.fillWidth: true
            GridLayout {
                anchors.fill: parent
                columns: 4
                Label { text: "First (AP or LR):" }
                TextField { id: file0; objectName: "tf_file0"; Layout.fillWidth: true; selectByMouse: true }
                SpinBox { id: volume0; objectName: "sBox_volume0"; from: 0; to: 0; editable: true }
                Button { objectName: "btn_select0"; text: "Select..."; onClicked: selectProject(file0, volume0) }
                Label { text: "Second (PA or RL):" }
                TextField { id: file1; objectName: "tf_file1"; Layout.fillWidth: true; selectByMouse: true }
                SpinBox { id: volume1; objectName: "sBox_volume1"; from: 0; to: 0; editable: true }
                Button { objectName: "btn_select1"; text: "Select..."; onClicked: selectProject(file1, volume1) }
            }
        }

        GroupBox {
            title: "Options"
            Layout.fillWidth: true
            GridLayout {
                anchors.fill: parent
                columns: 3
                CheckBox { id: rllr; objectName: "chkBox_rllr"; text: "Left-right phase encoding (LR/RL)" }
                CheckBox { id: useSsd; objectName: "chkBox_useSsd"; text: "Sum of squared differences (else NCC)"; checked: true }
                CheckBox { id: useIc; objectName: "chkBox_useIc"; text: "Intensity correction" }
                CheckBox { id: applyToInput; objectName: "chkBox_applyToInput"; text: "Undistort both inputs"; checked: true }
                CheckBox { id: saveDerivative; objectName: "chkBox_saveDerivative"; text: "Save map derivatives" }
                RowLayout {
                    Label { text: "Order:" }
                    SpinBox { id: order; objectName: "sBox_order"; from: 0; to: 2; value: 0 }
                }
            }
        }

        Button {
            objectName: "btn_estimate"
            text: "Estimate displacement map"
            Layout.alignment: Qt.AlignRight
            enabled: file0.text !== "" && file1.text !== ""
            onClicked: estimate()
        }

        GroupBox {
            title: "Apply a stored map"
            Layout.fillWidth: true
            Layout.fillHeight: true
            ColumnLayout {
                anchors.fill: parent
                RowLayout {
                    Label { text: "Map (.map):" }
                    TextField { id: vdmPath; objectName: "tf_vdm"; Layout.fillWidth: true; selectByMouse: true }
                    Button {
                        objectName: "btn_browseVdm"
                        text: "Browse..."
                        onClicked: {
                            var p = talvora.chooseOpenFile("Please select a displacement map.", "*.map")
                            if (p !== "")
                                vdmPath.text = p
                        }
                    }
                }
                Label { text: "Projects, one per line:" }
                ScrollView {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    TextArea { id: files; objectName: "ta_files"; selectByMouse: true }
                }
                RowLayout {
                    Layout.alignment: Qt.AlignRight
                    Button { objectName: "btn_batch"; text: "Load batch file..."; onClicked: loadBatch() }
                    Button {
                        objectName: "btn_check"
                        text: "Check"
                        onClicked: {
                            talvora.setStringParameter("files", files.text)
                            run("check")
                        }
                    }
                    Button { objectName: "btn_apply"; text: "Apply"; enabled: vdmPath.text !== ""; onClicked: applyMap() }
                }
            }
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.preferredHeight: 120
            TextArea { objectName: "ta_log"; readOnly: true; text: talvora.logText; font.family: "monospace" }
        }
    }
}
