import QtQuick
import Sayline.App

// The highlight behind a bar button: a rounded tint that fades in while the
// pointer is over the button.
Rectangle {
    id: root

    property bool isHovered: false

    readonly property color highlight: PlatformStyle.unemphasizedSelectedContentBackground

    radius: 6
    antialiasing: true
    color: isHovered ? Qt.rgba(highlight.r, highlight.g, highlight.b, 0.6) : "transparent"
    Behavior on color { ColorAnimation { duration: 200; easing.type: Easing.InOutQuad } }
}
