import QtQuick
import QtQuick.Layouts
import Pacemark.Views

// The history page: the last twelve months as a heat map of tokens per day, a day's figures on hover
// or click, and the month totals beneath.
Item {
    id: root

    required property UsageDataManager usageDataManager
    // The day under the pointer or last clicked; its figures replace the hint.
    property string selectedText: ""

    HistoryModel {
        id: history

        days: root.usageDataManager.historyData
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 8

        RowLayout {
            Layout.fillWidth: true

            Text {
                text: qsTr("기록")
                font.family: Theme.fontFamily
                font.pixelSize: Theme.callout
                font.weight: Font.DemiBold
                color: Theme.primary
            }

            Item {
                Layout.fillWidth: true
            }

            Text {
                objectName: "historyTotal"
                text: history.totalText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.caption
                color: Theme.secondary
            }
        }

        Item {
            id: map

            readonly property real cell: Math.floor(width / Math.max(history.weekCount, 1))

            objectName: "historyMap"
            Layout.fillWidth: true
            Layout.preferredHeight: cell * 7 + Theme.small + 4

            Repeater {
                model: history.months

                Text {
                    required property var modelData

                    x: modelData.column * map.cell
                    text: modelData.label
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.small
                    color: Theme.secondary
                }
            }

            Repeater {
                model: history.cells

                Rectangle {
                    required property var modelData

                    x: modelData.column * map.cell
                    y: Theme.small + 4 + modelData.row * map.cell
                    width: map.cell - 1
                    height: map.cell - 1
                    radius: 1
                    color: modelData.level === 0 ? Theme.separator : Theme.green
                    opacity: [1, 0.3, 0.5, 0.75, 1][modelData.level]

                    MouseArea {
                        anchors.fill: parent
                        hoverEnabled: true
                        onEntered: root.selectedText = parent.modelData.text
                        onClicked: root.selectedText = parent.modelData.text
                    }
                }
            }
        }

        Text {
            objectName: "historyDay"
            text: root.selectedText.length > 0 ? root.selectedText : qsTr("날짜를 가리키면 그날의 토큰이 보입니다")
            font.family: Theme.fontFamily
            font.pixelSize: Theme.caption
            color: root.selectedText.length > 0 ? Theme.primary : Theme.tertiary
            Layout.fillWidth: true
        }

        GridLayout {
            objectName: "historyMonths"
            columns: 4
            columnSpacing: 8
            rowSpacing: 6
            Layout.fillWidth: true

            Repeater {
                model: history.months

                ColumnLayout {
                    required property var modelData

                    spacing: 0
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1

                    Text {
                        text: parent.modelData.label
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.caption2
                        color: Theme.secondary
                    }

                    Text {
                        text: parent.modelData.total
                        font.family: Theme.digitsFamily
                        font.pixelSize: Theme.callout
                        font.weight: Font.DemiBold
                        color: Theme.primary
                    }
                }
            }
        }

        Item {
            Layout.fillHeight: true
        }
    }
}
