import QtQuick
import QtQuick.Layouts
import KeyboardShortcuts.Recorder

// The shortcut recorder of one name, with an optional label before it.
RowLayout {
    id: recorder
    // The shortcut name's raw value, e.g. "toggleMainWindow".
    property string name: ""
    property string label: ""
    readonly property bool hasLabel: label !== ""
    readonly property alias field: field
    // After every save or clear made in this recorder.
    signal changed()

    spacing: 8
    Layout.minimumHeight: 30

    Text {
        visible: recorder.hasLabel
        text: recorder.label
        font.pixelSize: 13
        color: "#1d1d1f"
        Layout.fillWidth: true
    }
    RecorderCocoa {
        id: field
        objectName: "recorderField"
        shortcutName: recorder.name
        Layout.preferredWidth: Math.max(minimumWidth, 150)
        Layout.preferredHeight: 24
        cancelButtonRect: Qt.rect(width - 22, 0, 22, height)
        onShortcutChanged: recorder.changed()

        Rectangle {
            anchors.fill: parent
            radius: 6
            color: "#ffffff"
            border.color: field.recording ? "#0a84ff" : "#c7c7cc"
            border.width: field.recording ? 2 : 1
        }
        Text {
            objectName: "recorderText"
            anchors.fill: parent
            anchors.leftMargin: 22
            anchors.rightMargin: 22
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: field.text !== "" ? field.text : field.placeholderText
            color: field.text !== "" ? "#1d1d1f" : "#8e8e93"
            font.pixelSize: 13
        }
        // The clear button; RecorderCocoa handles the click in its area.
        Rectangle {
            visible: field.cancelButtonVisible
            width: 14
            height: 14
            radius: 7
            x: field.cancelButtonRect.x + (field.cancelButtonRect.width - width) / 2
            anchors.verticalCenter: parent.verticalCenter
            color: "#aeaeb2"
            Text {
                anchors.centerIn: parent
                text: "\u00d7"
                color: "#ffffff"
                font.pixelSize: 12
                font.bold: true
            }
        }
    }
}
