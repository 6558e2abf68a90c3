import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

// A settings row with its label on the left and the switch at the right end.
Switch {
    id: control

    implicitHeight: 28
    padding: 0
    spacing: 8
    Layout.fillWidth: true

    indicator: Rectangle {
        x: control.width - width
        y: (control.height - height) / 2
        implicitWidth: 30
        implicitHeight: 18
        radius: 9
        color: control.checked ? Theme.accent : Theme.quaternary
        opacity: control.enabled ? 1 : 0.5

        Rectangle {
            x: control.checked ? parent.width - width - 2 : 2
            y: 2
            width: 14
            height: 14
            radius: 7
            color: "white"
            border.width: 0.5
            border.color: Qt.rgba(0, 0, 0, 0.15)
        }
    }

    contentItem: Text {
        text: control.text
        rightPadding: control.indicator.width + control.spacing
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        font.family: Theme.fontFamily
        font.pixelSize: Theme.callout
        color: Theme.primary
    }
}
