import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.App

// A shortcut the desktop binds for Sayline (the GlobalShortcuts portal): the
// trigger the desktop reports, what keeps it from working, and a button that
// opens the desktop's own place to change it. Shown under the recorder, whose
// shortcut is offered to the desktop as the preferred trigger.
ColumnLayout {
    id: row
    required property string name
    // Read afresh whenever the desktop reports a change.
    property string trigger: AppState.desktopShortcutTrigger(name)
    property string problem: AppState.desktopShortcutProblem(name)

    Connections {
        target: AppState
        function onDesktopShortcutsChanged() {
            row.trigger = AppState.desktopShortcutTrigger(row.name)
            row.problem = AppState.desktopShortcutProblem(row.name)
        }
    }

    Layout.fillWidth: true
    spacing: 4
    RowLayout {
        Layout.fillWidth: true
        Text {
            objectName: "desktopTrigger"
            text: "Set by the desktop: " + (row.trigger.length > 0 ? row.trigger : "not bound")
            color: "#6e6e73"
            font.pixelSize: 11
            Layout.fillWidth: true
        }
        Button {
            objectName: "changeInDesktopButton"
            text: "Change in Desktop…"
            font.pixelSize: 11
            onClicked: AppState.changeShortcutInDesktop()
        }
    }
    Text {
        objectName: "desktopProblem"
        visible: row.problem.length > 0
        text: row.problem
        color: "#c4281c"
        font.pixelSize: 11
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
}
