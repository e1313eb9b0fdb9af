import QtQuick
import QtQuick.Layouts
import Sayline.App
import Sayline.Display

// The content of the floating dictation panel: the live transcript, the
// waveform and the bar with the settings button, the language menu and
// "Submit"; or, without microphone access, only the notice.
Item {
    id: root

    property QtObject appState: AppState
    property QtObject windowManager: WindowManager
    readonly property QtObject speechManager: appState.speechRecognitionManager
    readonly property bool showRealtimeTranscription: showRealtimeTranscriptionSetting.value
    // The gear is the way to the settings whenever the tray item is not seen:
    // switched off, or no tray host to show it.
    readonly property bool trayItemVisible: windowManager.trayItemVisible

    implicitWidth: content.implicitWidth
    implicitHeight: content.implicitHeight

    // Escape while the panel has the keyboard focus; otherwise Escape arrives
    // through the global close shortcut.
    focus: true
    Keys.onEscapePressed: (event) => {
        root.appState.cancelDictation()
        event.accepted = true
    }

    StoredBool { id: showRealtimeTranscriptionSetting; key: "showRealtimeTranscription"; defaultValue: true }

    Rectangle {
        anchors.fill: parent
        radius: 16
        antialiasing: true
        color: PlatformStyle.panelMaterial
        border.width: 1
        border.color: PlatformStyle.panelBorder
    }

    // Dragging the background moves the panel.
    MouseArea {
        anchors.fill: parent
        property point grab
        onPressed: (mouse) => grab = Qt.point(mouse.x, mouse.y)
        onPositionChanged: (mouse) => {
            const window = root.Window.window
            if (!window)
                return
            const where = mapToGlobal(mouse.x, mouse.y)
            window.x = where.x - grab.x
            window.y = where.y - grab.y
        }
    }

    ColumnLayout {
        id: content
        anchors.fill: parent
        spacing: 8

        Loader {
            id: branch
            Layout.fillWidth: true
            Layout.minimumWidth: 400
            Layout.preferredWidth: item ? item.implicitWidth : 400
            Layout.preferredHeight: item ? item.implicitHeight : 0
            sourceComponent: root.speechManager.isAuthorized ? dictationControls : unauthorizedNotice
        }
    }

    Component {
        id: unauthorizedNotice
        UnauthorizedView {
            objectName: "unauthorizedView"
            appState: root.appState
        }
    }

    Component {
        id: dictationControls
        ColumnLayout {
            objectName: "dictationControls"
            spacing: 8

            // Built only while shown, each time with a fresh store.
            Loader {
                active: root.showRealtimeTranscription
                visible: active
                Layout.fillWidth: true
                Layout.preferredHeight: item ? item.implicitHeight : 0
                sourceComponent: TranscriptionDisplayView {
                    objectName: "transcriptionDisplay"
                    speechManager: root.speechManager
                }
            }
            LiveWaveformView {
                objectName: "waveform"
                Layout.fillWidth: true
                Layout.preferredHeight: 44
                amplitude: root.speechManager.currentAmplitude
            }
            RowLayout {
                objectName: "bar"
                Layout.fillWidth: true
                Layout.margins: 6
                spacing: 0

                SettingsButton {
                    objectName: "settingsButton"
                    visible: !root.trayItemVisible
                    windowManager: root.windowManager
                }
                LocalePicker {
                    objectName: "localePicker"
                    appState: root.appState
                }
                Item { Layout.fillWidth: true }
                SubmitButton {
                    objectName: "submitButton"
                    appState: root.appState
                }
            }
        }
    }
}
