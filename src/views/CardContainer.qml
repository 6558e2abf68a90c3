import QtQuick
import QtQuick.Layouts
import Pacemark.Views

CardBackground {
    id: root

    default property alias content: column.data

    implicitHeight: column.implicitHeight + 24

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.margins: 12
        spacing: 8
    }
}
