import QtQuick
import Sayline.App

// "Submit": delivers the transcript, stops, clears and closes the panel.
// Usable only while a transcription runs; half transparent otherwise. The
// hint after it names the trigger that toggles dictation on this desktop.
HoveredButtonStyle {
    id: root

    required property QtObject appState
    readonly property bool isTranscribing: appState.speechRecognitionManager.isTranscribing

    enabled: isTranscribing
    opacity: isTranscribing ? 1.0 : 0.5
    onClicked: appState.submitDictation()

    contentItem: Item {
        implicitWidth: label.implicitWidth + 8 + 8
        implicitHeight: label.implicitHeight + 4 + 4

        Row {
            id: label
            x: 8
            y: 4
            spacing: 4

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "Submit"
                font.family: PlatformStyle.callout.family
                font.pixelSize: PlatformStyle.callout.pixelSize
                font.weight: Font.Medium
                color: PlatformStyle.primaryLabel
            }
            Row {
                objectName: "submitShortcutHint"
                anchors.verticalCenter: parent.verticalCenter
                spacing: 1
                opacity: 0.7
                Repeater {
                    model: root.appState.submitShortcutHint
                    Text {
                        text: modelData
                        font: PlatformStyle.footnote
                        color: PlatformStyle.secondaryLabel
                    }
                }
            }
        }
    }
}
