import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.App

// A shortcut the compositor owns: the line to add to its configuration, and a
// button that copies it. Shown instead of a recorder, which cannot work there.
ColumnLayout {
    id: row
    required property string label
    required property string name
    // Read afresh when the session is known (the compositor decides the syntax).
    property string line: AppState.shortcutsSetInCompositor ? AppState.compositorBindingLine(name) : ""

    Layout.fillWidth: true
    spacing: 4
    RowLayout {
        Layout.fillWidth: true
        Text {
            text: row.label
            color: "#1d1d1f"
            font.pixelSize: 13
            Layout.fillWidth: true
        }
        Button {
            objectName: "copyBindingButton"
            text: "Copy"
            font.pixelSize: 11
            onClicked: AppState.copyToPasteboard(row.line)
        }
    }
    Text {
        objectName: "bindingLine"
        text: "Set in your compositor: " + row.line
        color: "#6e6e73"
        font.pixelSize: 11
        wrapMode: Text.WrapAnywhere
        Layout.fillWidth: true
    }
}
