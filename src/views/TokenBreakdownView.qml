import QtQuick
import QtQuick.Layouts
import Pacemark.Views

ColumnLayout {
    id: root

    required property var breakdowns
    // CJK system fonts have tall default lines; the small figures stack tighter, as on a Latin font.
    readonly property int figureLineHeight: Math.ceil(Theme.small * 1.3)

    spacing: 6

    TokenBreakdownModel {
        id: breakdownModel

        breakdowns: root.breakdowns
    }

    Repeater {
        model: breakdownModel.rows

        RowLayout {
            required property var modelData

            objectName: "breakdownRow"
            spacing: 6
            Layout.fillWidth: true

            Rectangle {
                width: 8
                height: 8
                radius: 4
                color: Theme.named[modelData.color]
                Layout.preferredWidth: 8
                Layout.preferredHeight: 8
            }

            Text {
                text: modelData.name
                color: Theme.primary
                font.pixelSize: Theme.caption
                wrapMode: Text.Wrap
                Layout.preferredWidth: 55
            }

            ColumnLayout {
                spacing: 2

                Repeater {
                    model: modelData.lines

                    RowLayout {
                        required property var modelData

                        spacing: 4
                        Layout.preferredHeight: root.figureLineHeight

                        Text {
                            text: modelData.label
                            color: Theme.tertiary
                            font.pixelSize: Theme.small
                            verticalAlignment: Text.AlignVCenter
                            Layout.preferredWidth: 20
                        }

                        Text {
                            text: modelData.value
                            color: Theme.secondary
                            font.family: Theme.digitsFamily
                            font.pixelSize: Theme.small
                            verticalAlignment: Text.AlignVCenter
                        }
                    }
                }
            }

            Item {
                Layout.fillWidth: true
            }

            ColumnLayout {
                spacing: 2
                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter

                Text {
                    objectName: "breakdownTotal"
                    text: modelData.total
                    color: Theme.primary
                    font.family: Theme.digitsFamily
                    font.pixelSize: Theme.caption
                    font.weight: Font.Medium
                    Layout.alignment: Qt.AlignRight
                }

                Text {
                    objectName: "breakdownCost"
                    text: modelData.cost
                    color: Theme.secondary
                    font.family: Theme.digitsFamily
                    font.pixelSize: Theme.small
                    Layout.alignment: Qt.AlignRight
                }
            }
        }
    }
}
