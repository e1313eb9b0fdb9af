import QtQuick
import QtQuick.Window

// The settings window: no title, found by its identifier "settings".
Window {
    id: window
    objectName: "settings"
    title: ""
    width: 720
    height: 500
    minimumWidth: 560
    minimumHeight: 380
    color: "#f5f5f7"

    SettingsView {
        objectName: "settingsView"
        anchors.fill: parent
    }
}
