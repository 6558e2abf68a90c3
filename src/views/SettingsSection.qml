import QtQuick
import QtQuick.Layouts
import Pacemark.Views

// One group of the settings form: a header, the rows on a rounded panel with lines between them, and
// an optional footer.
ColumnLayout {
    id: section

    property string title
    property string footer
    default property alias rows: rowColumn.data

    spacing: 4

    Text {
        text: section.title
        font.family: Theme.fontFamily
        font.pixelSize: Theme.caption
        font.weight: Font.DemiBold
        color: Theme.secondary
        Layout.leftMargin: 4
    }

    Rectangle {
        radius: 8
        color: Theme.dark ? Qt.rgba(1, 1, 1, 0.05) : Qt.rgba(1, 1, 1, 0.75)
        border.width: 1
        border.color: Theme.separator
        implicitHeight: rowColumn.implicitHeight + 6
        Layout.fillWidth: true

        ColumnLayout {
            id: rowColumn

            x: 12
            y: 3
            width: parent.width - 24
            spacing: 0
        }
    }

    Text {
        visible: section.footer.length > 0
        text: section.footer
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.caption2
        color: Theme.secondary
        Layout.fillWidth: true
        Layout.leftMargin: 4
        Layout.rightMargin: 4
    }
}
