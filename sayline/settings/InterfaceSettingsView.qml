import QtQuick
import Sayline.App

SettingsPage {
    title: "Interface"

    StoredBool { id: showInMenuBar; key: "showInMenuBar"; defaultValue: true }
    StoredBool { id: showRealtimeTranscription; key: "showRealtimeTranscription"; defaultValue: true }

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
}
