import QtQuick
import QtQuick.Layouts
import Pacemark.Views

RowLayout {
    id: root

    required property var modelData

    spacing: 8
    Layout.fillWidth: true

    Text {
        text: root.modelData.label
        color: Theme.secondary
        font.pixelSize: Theme.caption2
        elide: Text.ElideRight
        Layout.preferredWidth: 46
    }

    Rectangle {
        id: track

        objectName: "quotaTrack"
        radius: 3
        color: Qt.rgba(Theme.gray.r, Theme.gray.g, Theme.gray.b, 0.2)
        Layout.fillWidth: true
        Layout.preferredHeight: 6

        Rectangle {
            id: fill

            readonly property color tint: Theme.named[root.modelData.color]

            objectName: "quotaFill"
            width: BarMetrics.quotaFillWidth(track.width, root.modelData.pct)
            height: parent.height
            radius: 3
            gradient: Gradient {
                GradientStop { position: 0; color: Qt.lighter(fill.tint, 1.15) }
                GradientStop { position: 1; color: fill.tint }
            }
        }
    }

    Text {
        text: root.modelData.value
        color: Theme.primary
        font.family: Theme.digitsFamily
        font.pixelSize: Theme.caption2
        horizontalAlignment: Text.AlignRight
        Layout.preferredWidth: 36
    }

    Text {
        text: root.modelData.detail
        color: Theme.secondary
        font.family: Theme.digitsFamily
        font.pixelSize: Theme.caption2
        horizontalAlignment: Text.AlignRight
        Layout.preferredWidth: 54
    }
}
