import QtQuick
import QtQuick.Layouts
import Pacemark.Views

Item {
    id: root

    required property string icon
    required property string label
    property bool isActive: false
    readonly property color tint: isActive ? Theme.accent : Theme.secondary

    signal clicked()

    implicitWidth: column.implicitWidth
    implicitHeight: column.implicitHeight + 8
    Accessible.role: Accessible.Button
    Accessible.name: label
    Accessible.onPressAction: root.clicked()

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.topMargin: 4
        anchors.bottomMargin: 4
        spacing: 3

        IconImage {
            name: root.icon
            color: root.tint
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: Math.round(Theme.callout * 1.25)
            Layout.preferredHeight: Math.round(Theme.callout * 1.25)
        }

        Text {
            text: root.label
            color: root.tint
            font.pixelSize: Theme.caption2
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
    }

    MouseArea {
        anchors.fill: parent
        onClicked: root.clicked()
    }
}
