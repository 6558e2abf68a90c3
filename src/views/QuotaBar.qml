import QtQuick
import QtQuick.Layouts
import Pacemark.Views

// One limit of the quota card: label, bar, percent and countdown, with the forecast (or why credits are
// off) beneath. The limit that stops the account first sits on a tinted band.
Item {
    id: root

    required property var modelData

    implicitHeight: column.implicitHeight + (root.modelData.binding ? 8 : 0)
    Layout.fillWidth: true

    Rectangle {
        objectName: "quotaBindingMark"
        visible: root.modelData.binding
        x: -5
        width: parent.width + 10
        height: parent.height
        radius: 5
        color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, Theme.dark ? 0.18 : 0.1)
        border.width: 1
        border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
    }

    ColumnLayout {
        id: column

        width: parent.width
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        RowLayout {
            spacing: 8
            Layout.fillWidth: true

            Text {
                text: root.modelData.label
                color: root.modelData.binding ? Theme.primary : Theme.secondary
                font.pixelSize: Theme.caption2
                font.weight: root.modelData.binding ? Font.DemiBold : Font.Normal
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

        Text {
            objectName: "quotaNote"
            visible: text.length > 0
            text: root.modelData.note
            color: Theme.orange
            font.pixelSize: Theme.caption2
            elide: Text.ElideRight
            leftPadding: 54
            Layout.fillWidth: true
        }
    }
}
