import QtQuick
import Qt.labs.platform as Platform
import Sayline.App

// The language menu of the bar: the current language's name; choosing an
// entry switches the recognizer to it and restarts listening.
HoveredButtonStyle {
    id: root

    required property QtObject appState
    readonly property QtObject speechManager: appState.speechRecognitionManager
    readonly property var languages: speechManager.supportedLanguages

    function choose(code) {
        appState.changeLanguage(code)
    }

    onClicked: languageMenu.open(root)

    contentItem: Item {
        implicitWidth: label.implicitWidth + 8 + 8
        implicitHeight: label.implicitHeight + 4 + 4

        Row {
            id: label
            x: 8
            y: 4
            spacing: 4

            Image {
                anchors.verticalCenter: parent.verticalCenter
                width: PlatformStyle.footnote.pixelSize
                height: width
                sourceSize: Qt.size(width * 2, height * 2)
                source: "icons/globe.svg"
                opacity: PlatformStyle.secondaryLabel.a
            }
            Text {
                objectName: "languageName"
                anchors.verticalCenter: parent.verticalCenter
                text: root.speechManager.currentLacnguageName
                font.family: PlatformStyle.callout.family
                font.pixelSize: PlatformStyle.callout.pixelSize
                font.weight: Font.Medium
                color: PlatformStyle.primaryLabel
            }
        }
    }

    Platform.Menu {
        id: languageMenu
    }

    Instantiator {
        model: root.languages
        delegate: Platform.MenuItem {
            required property var modelData
            text: modelData.name
            onTriggered: root.choose(modelData.code)
        }
        onObjectAdded: (index, object) => languageMenu.insertItem(index, object)
        onObjectRemoved: (index, object) => languageMenu.removeItem(object)
    }
}
