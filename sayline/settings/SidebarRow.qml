import QtQuick

// One category in the sidebar: a chrome-less button that selects it.
Item {
    id: row
    required property string rawValue
    required property string symbolName
    property bool selected: false
    signal chosen()

    objectName: "sidebarRow_" + rawValue
    implicitWidth: content.implicitWidth
    implicitHeight: content.implicitHeight

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: row.selected ? Qt.rgba(0.0, 0.478, 1.0, 0.7) : "transparent"
        Behavior on color { ColorAnimation { duration: 150 } }
    }
    Row {
        id: content
        leftPadding: 6
        rightPadding: 12
        topPadding: 6
        bottomPadding: 6
        spacing: 6
        Image {
            source: "icons/" + row.symbolName + ".svg"
            sourceSize: Qt.size(16, 16)
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            text: row.rawValue
            font.pixelSize: 13
            color: row.selected ? "#ffffff" : "#1d1d1f"
            anchors.verticalCenter: parent.verticalCenter
        }
    }
    TapHandler { onTapped: row.chosen() }
}
