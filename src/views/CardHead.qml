import QtQuick
import QtQuick.Layouts
import Pacemark.Views

RowLayout {
    id: root

    required property string icon
    required property color tint
    required property string title
    default property alias trailing: trailingSlot.data

    spacing: 6
    Layout.fillWidth: true

    IconImage {
        name: root.icon
        color: root.tint
        Layout.preferredWidth: Theme.caption + 2
        Layout.preferredHeight: Theme.caption + 2
    }

    Text {
        text: root.title
        color: Theme.secondary
        font.pixelSize: Theme.caption
        font.weight: Font.Medium
    }

    Item {
        Layout.fillWidth: true
    }

    Row {
        id: trailingSlot

        Layout.alignment: Qt.AlignVCenter
    }
}
