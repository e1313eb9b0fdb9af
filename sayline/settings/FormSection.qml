import QtQuick
import QtQuick.Layouts

// One section of a grouped form: an optional header above a rounded group of
// rows and an optional footer below it.
ColumnLayout {
    id: section
    property string header: ""
    property string footer: ""
    default property alias rows: group.data

    Layout.fillWidth: true
    spacing: 6

    Text {
        visible: section.header !== ""
        text: section.header
        font.pixelSize: 13
        font.weight: Font.DemiBold
        color: "#3a3a3c"
        Layout.leftMargin: 10
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: group.implicitHeight + 12
        radius: 8
        color: "#ffffff"
        border.color: "#e0e0e4"
        ColumnLayout {
            id: group
            anchors.fill: parent
            anchors.margins: 6
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            spacing: 6
        }
    }
    Text {
        visible: section.footer !== ""
        text: section.footer
        wrapMode: Text.WordWrap
        font.pixelSize: 11
        color: "#6e6e73"
        Layout.fillWidth: true
        Layout.leftMargin: 10
        Layout.rightMargin: 10
    }
}
