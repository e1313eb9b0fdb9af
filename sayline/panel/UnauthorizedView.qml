import QtQuick
import Sayline.App

// Shown instead of the dictation controls while microphone or speech access
// is missing, with a way to the privacy settings.
Item {
    id: root

    required property QtObject appState
    readonly property string privacySettingsUrl:
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Microphone"

    implicitWidth: row.implicitWidth + 16 + 16
    implicitHeight: row.implicitHeight + 16 + 16

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 16

        Image {
            anchors.verticalCenter: parent.verticalCenter
            width: PlatformStyle.font(16, false).pixelSize
            height: width
            sourceSize: Qt.size(width * 2, height * 2)
            source: "icons/mic-slash.svg"
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "Microphone Access Required"
            font: PlatformStyle.headline
            color: PlatformStyle.primaryLabel
        }
        Rectangle {
            id: openSettings
            objectName: "openSystemSettings"
            anchors.verticalCenter: parent.verticalCenter
            implicitWidth: buttonLabel.implicitWidth + 12 + 12
            implicitHeight: buttonLabel.implicitHeight + 6 + 6
            width: implicitWidth
            height: implicitHeight
            radius: 8
            antialiasing: true
            color: PlatformStyle.systemBlue

            Text {
                id: buttonLabel
                anchors.centerIn: parent
                text: "Open System Settings"
                font: PlatformStyle.headline
                color: "white"
            }
            TapHandler {
                onTapped: root.appState.openUrl(root.privacySettingsUrl)
            }
        }
    }
}
