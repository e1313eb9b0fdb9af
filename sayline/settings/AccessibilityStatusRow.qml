import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.App

// Whether Sayline may type into other windows, with the ways to fix it.
RowLayout {
    id: row
    required property var toggles

    Layout.fillWidth: true
    Layout.minimumHeight: 30
    spacing: 6
    Image {
        source: row.toggles.accessibilityTrusted ? "icons/checkmark.circle.svg" : "icons/exclamationmark.triangle.svg"
        sourceSize: Qt.size(16, 16)
    }
    Text {
        objectName: "accessibilityStatus"
        text: row.toggles.accessibilityTrusted ? "Accessibility permission granted"
              : AppState.typingUnavailableReason !== "" ? AppState.typingUnavailableReason
              : "Accessibility permission required"
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        color: row.toggles.accessibilityTrusted ? "#28a745" : "#f08c00"
        font.pixelSize: 13
    }
    Button {
        objectName: "openSettingsButton"
        visible: !row.toggles.accessibilityTrusted && AppState.typingUnavailableReason === ""
        text: "Open Settings"
        highlighted: true
        font.pixelSize: 11
        onClicked: row.toggles.requestAccessibilityPermission()
    }
    Button {
        objectName: "refreshButton"
        text: "Refresh"
        flat: false
        font.pixelSize: 11
        onClicked: row.toggles.recheckAccessibilityPermission()
    }
}
