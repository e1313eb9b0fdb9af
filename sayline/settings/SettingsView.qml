import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.Settings

// The sidebar of categories beside the page of the selected one.
Item {
    id: view
    property SettingsState settingsState: SettingsState {}

    implicitWidth: 720
    implicitHeight: 500

    Rectangle {
        id: sidebar
        objectName: "sidebar"
        width: Math.max(150, sidebarColumn.implicitWidth + 20)
        anchors { top: parent.top; bottom: parent.bottom; left: parent.left }
        color: "#ececef"

        // The sidebar's toolbar holds one empty button.
        ToolButton {
            id: toolbarButton
            objectName: "sidebarToolbarButton"
            anchors { top: parent.top; right: parent.right; margins: 4 }
            implicitWidth: 28
            implicitHeight: 28
        }
        Column {
            id: sidebarColumn
            anchors { top: toolbarButton.bottom; left: parent.left; right: parent.right; margins: 10 }
            topPadding: 8
            bottomPadding: 8
            spacing: 2
            Repeater {
                model: view.settingsState.categories
                SidebarRow {
                    required property var modelData
                    width: sidebarColumn.width
                    rawValue: modelData.rawValue
                    symbolName: modelData.symbolName
                    selected: view.settingsState.selectedCategory === rawValue
                    onChosen: view.settingsState.selectedCategory = rawValue
                }
            }
        }
    }
    Rectangle {
        anchors { top: parent.top; bottom: parent.bottom; left: sidebar.right; right: parent.right }
        color: "#f5f5f7"
        Loader {
            id: detail
            objectName: "detail"
            anchors { fill: parent; topMargin: 36 - 20 }
            sourceComponent: {
                switch (view.settingsState.selectedCategory) {
                case "Interface": return interfacePage
                case "Transcription": return transcriptionPage
                case "Voice": return voicePage
                case "About": return aboutPage
                default: return generalPage
                }
            }
        }
    }
    Component { id: generalPage; GeneralSettingsView {} }
    Component { id: interfacePage; InterfaceSettingsView {} }
    Component { id: transcriptionPage; TranscriptionSettingsView {} }
    Component { id: voicePage; VoiceSettingsView {} }
    Component { id: aboutPage; AboutSettingsView {} }
}
