import QtQuick
import QtQuick.Layouts
import KeyboardShortcuts.Recorder as KeyboardShortcuts
import Sayline.App
import Sayline.Settings

SettingsPage {
    id: page
    title: "General"

    OutputTargetToggles { id: toggles }

    FormSection {
        ToggleRow {
            objectName: "autoStartToggle"
            title: "Auto Start on Login [Not implemented yet]"
            checked: false
        }
    }

    FormSection {
        header: "Output Targets"
        footer: "Choose where transcribed text should be sent. You can select multiple targets: Pasteboard copies to clipboard, Auto Insert types directly into the active text field. Auto Insert requires accessibility permission."
        Repeater {
            model: toggles.allTargets
            ToggleRow {
                required property string modelData
                objectName: "targetToggle_" + modelData
                title: modelData
                checked: toggles.targets.indexOf(modelData) >= 0
                switchEnabled: modelData !== "autoInsert" || toggles.accessibilityTrusted
                onToggled: on => toggles.setTargetEnabled(modelData, on)
            }
        }
        AccessibilityStatusRow {
            objectName: "accessibilityRow"
            visible: toggles.targets.indexOf("autoInsert") >= 0
            toggles: toggles
        }
    }

    FormSection {
        header: "Shortcuts"
        KeyboardShortcuts.Recorder {
            objectName: "toggleRecordingRecorder"
            visible: !AppState.shortcutsSetInCompositor
            label: "Toggle Recording"
            name: "toggleMainWindow"
            Layout.fillWidth: true
        }
        DesktopShortcutRow {
            objectName: "toggleRecordingDesktop"
            visible: AppState.shortcutsSetByDesktop
            name: "toggleMainWindow"
        }
        KeyboardShortcuts.Recorder {
            objectName: "cancelRecorder"
            visible: !AppState.shortcutsSetInCompositor
            label: "Cancel"
            name: "closeMainWindow"
            Layout.fillWidth: true
        }
        DesktopShortcutRow {
            objectName: "cancelDesktop"
            visible: AppState.shortcutsSetByDesktop
            name: "closeMainWindow"
        }
        CompositorBindingRow {
            objectName: "toggleRecordingBinding"
            visible: AppState.shortcutsSetInCompositor
            label: "Toggle Recording"
            name: "toggleMainWindow"
        }
        CompositorBindingRow {
            objectName: "cancelBinding"
            visible: AppState.shortcutsSetInCompositor
            label: "Cancel"
            name: "closeMainWindow"
        }
    }
}
