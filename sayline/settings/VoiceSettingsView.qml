import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.Settings

// The microphone, the recognition languages, and training to the user's voice.
SettingsPage {
    id: page
    title: "Voice"

    VoiceSettings {
        id: voice
        // The meter and the device list are live only while the page is on screen.
        monitoring: page.visible && page.Window.window !== null && page.Window.window.visible
    }

    FormSection {
        header: "Microphone"
        footer: voice.inputMessage
        ComboBox {
            id: inputChoice
            objectName: "inputChoice"
            Layout.fillWidth: true
            model: voice.inputs
            textRole: "description"
            valueRole: "name"
            Component.onCompleted: currentIndex = Math.max(0, indexOfValue(voice.selectedInput))
            onActivated: voice.selectedInput = currentValue
        }
        ProgressBar {
            objectName: "inputLevel"
            Layout.fillWidth: true
            from: 0; to: 1
            value: voice.level
        }
    }

    FormSection {
        header: "Languages"
        footer: "To add a language, put a CMU Sphinx model (acoustic model folder, language model, dictionary) in a folder named after it (such as de-de) beside the ones above; the README's section \"Recognition models for more languages\" shows how."
        Repeater {
            model: voice.languages
            ColumnLayout {
                required property var modelData
                objectName: "language_" + modelData.code
                spacing: 0
                Text {
                    text: modelData.name
                    font.pixelSize: 13
                    color: "#1d1d1f"
                }
                Text {
                    text: modelData.folder
                    font.pixelSize: 11
                    color: "#6e6e73"
                }
            }
        }
    }

    FormSection {
        header: "Train to your voice (" + voice.language + ")"
        footer: voice.missingTools !== "" ? voice.missingTools
                : "Read each sentence aloud while it is recorded. At least " + 20 + " sentences; more improve recognition further."

        ColumnLayout {
            Layout.fillWidth: true
            visible: voice.missingTools === ""
            spacing: 8

            Text {
                objectName: "promptText"
                text: voice.prompt
                wrapMode: Text.WordWrap
                font.pixelSize: 22
                color: "#1d1d1f"
                Layout.fillWidth: true
            }
            ProgressBar {
                objectName: "levelMeter"
                Layout.fillWidth: true
                from: 0; to: 1
                value: voice.level
            }
            Text {
                text: voice.recordedCount + " of at least 20 sentences recorded"
                font.pixelSize: 12
                color: "#6e6e73"
            }
            RowLayout {
                Button {
                    objectName: "recordButton"
                    text: voice.isRecording ? "Re-record" : "Record"
                    enabled: !voice.trainer.isTraining
                    onClicked: voice.record()
                }
                Button {
                    objectName: "nextButton"
                    text: "Next"
                    enabled: voice.isRecording
                    onClicked: { voice.next(); voice.record() }
                }
                Button {
                    objectName: "finishButton"
                    text: voice.hasProfile ? "Train more" : "Finish"
                    enabled: !voice.trainer.isTraining && (voice.recordedCount + (voice.isRecording ? 1 : 0)) >= 20
                    onClicked: voice.finish()
                }
            }
            ProgressBar {
                objectName: "trainingProgress"
                visible: voice.trainer.isTraining
                Layout.fillWidth: true
                value: voice.trainer.progress
            }
            Text {
                visible: text !== ""
                text: voice.trainer.isTraining ? voice.trainer.step : (voice.trainer.errorMessage || voice.message)
                wrapMode: Text.WordWrap
                font.pixelSize: 12
                color: "#6e6e73"
                Layout.fillWidth: true
            }
        }
        ToggleRow {
            objectName: "useProfileToggle"
            visible: voice.hasProfile
            title: "Use my voice profile"
            checked: voice.profileEnabled
            onToggled: on => voice.profileEnabled = on
        }
        Button {
            objectName: "deleteProfileButton"
            visible: voice.hasProfile || voice.recordedCount > 0
            text: "Delete profile"
            onClicked: voice.deleteProfile()
        }
    }
}
