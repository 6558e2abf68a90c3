import QtQuick
import QtQuick.Layouts
import Pacemark.Views

RowLayout {
    id: root

    required property int level
    required property color litColor

    spacing: 4
    Layout.fillWidth: true
    Layout.topMargin: 4

    Repeater {
        model: 4

        Rectangle {
            required property int index
            readonly property bool lit: index < root.level

            objectName: lit ? "litMeterBar" : "meterBar"
            radius: 2
            color: lit ? root.litColor : Qt.rgba(Theme.gray.r, Theme.gray.g, Theme.gray.b, 0.2)
            Layout.fillWidth: true
            Layout.preferredHeight: 4
        }
    }
}
