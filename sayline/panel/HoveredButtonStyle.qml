import QtQuick
import QtQuick.Templates as T

// The button style of the panel's bar: the label dims to 0.6 while pressed and
// a rounded highlight fades in behind it on hover. The label is the button's
// contentItem. Bar buttons never take the keyboard focus.
T.AbstractButton {
    id: control

    hoverEnabled: true
    focusPolicy: Qt.NoFocus
    padding: 0
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    background: HoverredButtonStyleView {
        isHovered: control.hovered
    }

    Binding {
        target: control.contentItem
        property: "opacity"
        value: control.pressed ? 0.6 : 1.0
    }
}
