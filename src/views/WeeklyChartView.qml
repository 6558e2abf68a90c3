import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

Item {
    id: root

    // The week's DailyData list; an Item's "data" is its children, hence the name.
    required property var days
    readonly property int axisFont: Theme.small
    readonly property real labelWidth: axisMetrics.advanceWidth + 2
    readonly property real plotTop: Math.ceil(axisFont / 2) + 1
    readonly property real plotBottom: height - axisFont - 6

    WeeklyChartModel {
        id: chart

        data: root.days
    }

    TextMetrics {
        id: axisMetrics

        font.family: Theme.digitsFamily
        font.pixelSize: root.axisFont
        text: {
            let widest = "";
            for (const mark of chart.marks)
                if (mark.label.length > widest.length)
                    widest = mark.label;
            return widest;
        }
    }

    Text {
        objectName: "emptyText"
        anchors.fill: parent
        visible: chart.isEmpty
        text: qsTr("데이터가 없어요")
        color: Theme.tertiary
        font.pixelSize: Theme.caption
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    Item {
        id: plot

        visible: !chart.isEmpty
        x: root.labelWidth + 6
        y: root.plotTop
        width: root.width - x
        height: root.plotBottom - root.plotTop

        Repeater {
            model: chart.marks

            Item {
                required property var modelData
                readonly property real lineY: Math.round(plot.height * (1 - modelData.fraction))

                Rectangle {
                    x: 0
                    y: lineY
                    width: plot.width
                    height: 1
                    color: Theme.separator
                }

                Text {
                    objectName: "yAxisLabel"
                    x: -root.labelWidth - 6
                    width: root.labelWidth
                    y: lineY - height / 2
                    text: modelData.label
                    color: Theme.secondary
                    font.family: Theme.digitsFamily
                    font.pixelSize: root.axisFont
                    horizontalAlignment: Text.AlignRight
                }
            }
        }

        Repeater {
            model: chart.bars

            Item {
                id: slot

                required property var modelData
                required property int index

                x: index * plot.width / chart.bars.length
                width: plot.width / chart.bars.length
                height: plot.height
                ToolTip.visible: dayHover.hovered
                ToolTip.text: modelData.detail
                ToolTip.delay: 300

                HoverHandler {
                    id: dayHover
                }

                Rectangle {
                    objectName: "dayBar"
                    readonly property real barHeight: Math.max(0, plot.height * slot.modelData.fraction)

                    x: (slot.width - width) / 2
                    y: plot.height - barHeight
                    width: Math.min(slot.width * 0.6, 40)
                    height: barHeight
                    radius: Math.min(3, width / 2, barHeight / 2)
                    gradient: Gradient {
                        GradientStop { position: 0; color: Qt.lighter(Theme.purple, 1.15) }
                        GradientStop { position: 1; color: Theme.purple }
                    }
                }

                Text {
                    objectName: "dayLabel"
                    anchors.horizontalCenter: parent.horizontalCenter
                    y: plot.height + 4
                    text: slot.modelData.label
                    color: Theme.secondary
                    font.family: Theme.digitsFamily
                    font.pixelSize: root.axisFont
                }
            }
        }
    }
}
