import QtQuick
import QtQuick.Controls
import Sayline.App

// The gear in the bar, shown when Sayline has no tray item: opens the settings.
HoveredButtonStyle {
    id: root

    property QtObject windowManager: WindowManager

    onClicked: windowManager.open("settings")
    ToolTip.visible: hovered
    ToolTip.delay: 600
    ToolTip.text: "Settings"

    contentItem: Item {
        implicitWidth: gear.width + 8 + 8
        implicitHeight: gear.height + 4 + 4

        Image {
            id: gear
            x: 8
            y: 4
            width: PlatformStyle.callout.pixelSize
            height: width
            sourceSize: Qt.size(width * 2, height * 2)
            source: "icons/gear.svg"
            opacity: PlatformStyle.secondaryLabel.a
        }
    }
}
