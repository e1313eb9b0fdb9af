import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.App

SettingsPage {
    id: page
    title: "About"

    StoredBool { id: automaticallyCheckForUpdates; key: "automaticallyCheckForUpdates"; defaultValue: true }

    // The stored preference is the record; the updater follows it on appearing
    // and on every change.
    Component.onCompleted: UpdateManager.automaticallyChecksForUpdates = automaticallyCheckForUpdates.value
    Connections {
        target: automaticallyCheckForUpdates
        function onValueChanged() { UpdateManager.automaticallyChecksForUpdates = automaticallyCheckForUpdates.value }
    }

    FormSection {
        RowLayout {
            Layout.fillWidth: true
            Layout.minimumHeight: 30
            Text { text: "Version"; font.pixelSize: 13; color: "#1d1d1f" }
            Item { Layout.fillWidth: true }
            Text { objectName: "versionText"; text: UpdateManager.currentVersion; font.pixelSize: 13; color: "#6e6e73" }
        }
    }
    FormSection {
        header: "Updates"
        footer: "Automatic updates help keep Sayline secure and up-to-date with the latest features."
        ToggleRow {
            objectName: "automaticUpdatesToggle"
            title: "Check for updates automatically"
            checked: automaticallyCheckForUpdates.value
            onToggled: on => automaticallyCheckForUpdates.value = on
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.minimumHeight: 30
            Button {
                objectName: "checkForUpdatesButton"
                text: "Check for Updates..."
                enabled: UpdateManager.canCheckForUpdates && !UpdateManager.isCheckingForUpdates
                onClicked: UpdateManager.checkForUpdates()
            }
            Item { Layout.fillWidth: true }
            BusyIndicator {
                objectName: "updateSpinner"
                visible: UpdateManager.isCheckingForUpdates
                running: visible
                Layout.preferredWidth: 16
                Layout.preferredHeight: 16
                scale: 0.8
            }
        }
    }
}
