import QtQuick
import QtQuick.Layouts
import Pacemark.Views

CardBackground {
    id: root

    required property string icon
    required property color tint
    required property string title
    required property string primary
    // Each row: label, value.
    property var rows: []
    default property alias footer: footerSlot.data

    implicitHeight: column.implicitHeight + 24

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.margins: 12
        spacing: 8

        RowLayout {
            spacing: 6
            Layout.fillWidth: true

            IconImage {
                name: root.icon
                color: root.tint
                baselineOffset: height * 0.85
                Layout.alignment: Qt.AlignBaseline
                Layout.preferredWidth: Theme.caption + 2
                Layout.preferredHeight: Theme.caption + 2
            }

            Text {
                text: root.title
                color: Theme.secondary
                font.pixelSize: Theme.caption
                font.weight: Font.Medium
                Layout.alignment: Qt.AlignBaseline
            }

            // The figure takes the rest of the row and aligns right, so a longer figure arriving
            // later never depends on the row re-measuring it.
            Text {
                objectName: "primary"
                text: root.primary
                color: Theme.primary
                font.family: Theme.digitsFamily
                font.pixelSize: Theme.callout
                font.weight: Font.DemiBold
                maximumLineCount: 1
                horizontalAlignment: Text.AlignRight
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignBaseline
            }
        }

        ColumnLayout {
            visible: root.rows.length > 0
            spacing: 4
            Layout.fillWidth: true

            Repeater {
                model: root.rows

                RowLayout {
                    required property var modelData

                    spacing: 6
                    Layout.fillWidth: true

                    Text {
                        text: modelData.label
                        color: Theme.secondary
                        font.pixelSize: Theme.caption2
                        maximumLineCount: 1
                    }

                    Text {
                        text: modelData.value
                        color: Theme.primary
                        font.family: Theme.digitsFamily
                        font.pixelSize: Theme.caption
                        maximumLineCount: 1
                        horizontalAlignment: Text.AlignRight
                        Layout.fillWidth: true
                    }
                }
            }
        }

        ColumnLayout {
            id: footerSlot

            visible: children.length > 0
            spacing: 0
            Layout.fillWidth: true
        }
    }
}
