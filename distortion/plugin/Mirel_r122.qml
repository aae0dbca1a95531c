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
    minimumWidth: 640
    minimumHeight: 480
    visible: true

    SystemPalette { id: colors }
    FontMetrics { id: textMetrics; font: files.font }

    // Height of a text area that shows `lines` lines.
    function linesHigh(area, lines) {
        return lines * textMetrics.lineSpacing + area.topPadding + area.bottomPadding
    }

    // As many columns (up to `most`) as the items, placed row by row, fit in `room`.
    function columnsThatFit(items, room, spacing, most) {
        for (var n = Math.min(most, items.length); n > 1; --n) {
            var needed = (n - 1) * spacing
            for (var c = 0; c < n; ++c) {
                var widest = 0
                for (var i = c; i < items.length; i += n)
                    widest = Math.max(widest, items[i].implicitWidth)
                needed += widest
            }
            if (needed <= room)
                return n
        }
        return 1
    }

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

    // The whole form scrolls when the window is smaller than its controls
    // need; a larger window gives the extra height to the two text areas.
    ScrollView {
        id: page
        objectName: "mirelPage"
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
            spacing: 8

            GroupBox {
                title: "Projects with opposite phase encoding (FMR or DMR)"
                Layout.fillWidth: true
                GridLayout {
                    anchors.fill: parent
                    columns: 5
                    Label { objectName: "lbl_file0"; text: "First (AP or LR):" }
                    TextField { id: file0; objectName: "tf_file0"; Layout.fillWidth: true; selectByMouse: true }
                    Label { objectName: "lbl_volume0"; text: "Volume:" }
                    SpinBox { id: volume0; objectName: "sBox_volume0"; from: 0; to: 0; editable: true }
                    Button { objectName: "btn_select0"; text: "Select..."; onClicked: selectProject(file0, volume0) }
                    Label { objectName: "lbl_file1"; text: "Second (PA or RL):" }
                    TextField { id: file1; objectName: "tf_file1"; Layout.fillWidth: true; selectByMouse: true }
                    Label { objectName: "lbl_volume1"; text: "Volume:" }
                    SpinBox { id: volume1; objectName: "sBox_volume1"; from: 0; to: 0; editable: true }
                    Button { objectName: "btn_select1"; text: "Select..."; onClicked: selectProject(file1, volume1) }
                }
            }

            GroupBox {
                title: "Options"
                Layout.fillWidth: true
                GridLayout {
                    id: options
                    anchors.fill: parent
                    // Narrow windows stack the options instead of cutting them.
                    columns: columnsThatFit([rllr, useSsd, useIc, applyToInput, saveDerivative, orderRow],
                                            width, columnSpacing, 3)
                    CheckBox { id: rllr; objectName: "chkBox_rllr"; text: "Left-right phase encoding (LR/RL)" }
                    CheckBox { id: useSsd; objectName: "chkBox_useSsd"; text: "Sum of squared differences (else NCC)"; checked: true }
                    CheckBox { id: useIc; objectName: "chkBox_useIc"; text: "Intensity correction" }
                    CheckBox { id: applyToInput; objectName: "chkBox_applyToInput"; text: "Undistort both inputs"; checked: true }
                    CheckBox { id: saveDerivative; objectName: "chkBox_saveDerivative"; text: "Save map derivatives" }
                    RowLayout {
                        id: orderRow
                        Label { objectName: "lbl_order"; text: "Order:" }
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
                        Label { objectName: "lbl_vdm"; text: "Map (.map):" }
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
                    Label { objectName: "lbl_files"; text: "Projects, one per line:" }
                    ScrollView {
                        objectName: "sv_files"
                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        Layout.minimumHeight: linesHigh(files, 4)
                        Layout.preferredHeight: linesHigh(files, 6)
                        TextArea {
                            id: files
                            objectName: "ta_files"
                            selectByMouse: true
                            background: Rectangle {
                                color: colors.base
                                border.width: 1
                                border.color: files.activeFocus ? colors.highlight : colors.mid
                            }
                        }
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

            Label { objectName: "lbl_log"; text: "Log:" }
            ScrollView {
                id: logScroll
                objectName: "sv_log"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: linesHigh(logArea, 4)
                Layout.preferredHeight: linesHigh(logArea, 6)
                TextArea {
                    id: logArea
                    objectName: "ta_log"
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
                        function onContentHeightChanged() { logArea.showNewestLine() }
                        function onHeightChanged() { logArea.showNewestLine() }
                    }
                }
            }
        }
    }
}
