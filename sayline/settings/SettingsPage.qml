import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A scrolling grouped form under its navigation title.
ScrollView {
    id: page
    property string title: ""
    default property alias sections: form.data

    clip: true
    contentWidth: availableWidth
    ColumnLayout {
        id: form
        width: page.availableWidth
        spacing: 18
        Text {
            objectName: "pageTitle"
            text: page.title
            font.pixelSize: 22
            font.weight: Font.Bold
            color: "#1d1d1f"
            Layout.topMargin: 16
            Layout.leftMargin: 4
        }
    }
    padding: 20
}
