import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A form row: the title on the left, a switch on the right. `toggled` reports
// the user's switching; `checked` is what the row shows.
RowLayout {
    id: row
    property alias title: label.text
    property bool checked: false
    property alias switchEnabled: control.enabled
    signal toggled(bool on)

    Layout.fillWidth: true
    Layout.minimumHeight: 30
    Text {
        id: label
        color: control.enabled ? "#1d1d1f" : "#a0a0a5"
        font.pixelSize: 13
        Layout.fillWidth: true
    }
    Switch {
        id: control
        objectName: "switch"
        checked: row.checked
        onToggled: {
            const on = checked
            // The shown value follows the bound state, not the click.
            checked = Qt.binding(() => row.checked)
            row.toggled(on)
        }
    }
}
