import QtQuick
import QtQuick.Controls.Basic
import Pacemark.Views

// A push button of the settings form; destructive ones draw their title in red.
Button {
    id: control

    property bool destructive: false

    implicitHeight: 24
    leftPadding: 12
    rightPadding: 12
    topPadding: 2
    bottomPadding: 2

    background: Rectangle {
        radius: 5
        color: control.down ? Theme.quaternary : (Theme.dark ? Qt.rgba(1, 1, 1, 0.1) : "white")
        border.width: 1
        border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.15)
    }

    contentItem: Text {
        text: control.text
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.family: Theme.fontFamily
        font.pixelSize: Theme.callout
        color: control.destructive ? Theme.red : Theme.primary
        opacity: control.enabled ? 1 : 0.4
    }
}
