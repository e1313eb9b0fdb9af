import QtQuick
import Sayline.App

SettingsPage {
    title: "Interface"

    StoredBool { id: showInMenuBar; key: "showInMenuBar"; defaultValue: true }
    StoredBool { id: showRealtimeTranscription; key: "showRealtimeTranscription"; defaultValue: true }
    StoredBool { id: keepRecentDictations; key: "keepRecentDictations"; defaultValue: true }

    FormSection {
        ToggleRow {
            objectName: "showInMenuBarToggle"
            title: "Show in Menu Bar"
            checked: showInMenuBar.value
            onToggled: on => showInMenuBar.value = on
        }
    }
    FormSection {
        header: "Recoding"
        ToggleRow {
            objectName: "showRealtimeTranscriptionToggle"
            title: "Show Realtime Transcription"
            checked: showRealtimeTranscription.value
            onToggled: on => showRealtimeTranscription.value = on
        }
    }
    FormSection {
        header: "History"
        footer: "The last 20 dictations, delivered or cancelled, are listed under Recent Dictations in the menu. Switching this off deletes them."
        ToggleRow {
            objectName: "keepRecentDictationsToggle"
            title: "Keep recent dictations"
            checked: keepRecentDictations.value
            onToggled: on => keepRecentDictations.value = on
        }
    }
}
