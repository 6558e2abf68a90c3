import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

Flickable {
    id: root

    required property UsageDataManager usageDataManager
    required property QuotaCardModel quotaCard
    property CodexQuotaCardModel codexQuotaCard: null

    contentWidth: width
    contentHeight: column.implicitHeight + 20
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    ScrollBar.vertical: ScrollBar {
        policy: ScrollBar.AsNeeded
        minimumSize: 0.1
    }

    DashboardModel {
        id: dashboard

        usage: root.usageDataManager
        quotaCard: root.quotaCard
    }

    ColumnLayout {
        id: column

        x: 10
        y: 10
        width: root.width - 20
        spacing: 8

        DashboardCard {
            objectName: "todayCard"
            icon: "bolt.fill"
            tint: Theme.yellow
            title: qsTr("오늘 토큰")
            primary: dashboard.todayText
            rows: [
                { label: qsTr("속도"), value: dashboard.rateText },
                { label: qsTr("출력"), value: dashboard.outputText },
                { label: qsTr("세션"), value: dashboard.sessionsText },
                { label: qsTr("비용"), value: dashboard.todayCostText }
            ]
            Layout.fillWidth: true

            ActivityMeter {
                level: dashboard.meterLevel
                litColor: Theme.named[dashboard.meterColor]
            }
        }

        DashboardCard {
            objectName: "cumulativeCard"
            icon: "mountain.2.fill"
            tint: Theme.orange
            title: qsTr("누적")
            primary: dashboard.cumulativeText
            rows: dashboard.unpricedText.length > 0
                  ? [ { label: qsTr("오늘 비중"), value: dashboard.todayShareText },
                      { label: qsTr("비용"), value: dashboard.cumulativeCostText },
                      { label: qsTr("가격 없는 토큰"), value: dashboard.unpricedText } ]
                  : [ { label: qsTr("오늘 비중"), value: dashboard.todayShareText },
                      { label: qsTr("비용"), value: dashboard.cumulativeCostText } ]
            Layout.fillWidth: true
        }

        QuotaCard {
            objectName: "quotaCard"
            model: root.quotaCard
            visible: root.quotaCard.showCard
            Layout.fillWidth: true
        }

        Loader {
            objectName: "codexQuotaCard"
            active: root.codexQuotaCard !== null && root.codexQuotaCard.showCard
            visible: active
            Layout.fillWidth: true

            sourceComponent: CodexQuotaCard {
                model: root.codexQuotaCard

                // The countdowns and the age move on while the popover is open.
                Timer {
                    interval: 30000
                    repeat: true
                    running: root.visible
                    triggeredOnStart: true
                    onTriggered: root.codexQuotaCard.rebuild()
                }
            }
        }

        CardContainer {
            objectName: "weeklyCard"
            Layout.fillWidth: true

            CardHead {
                icon: "calendar"
                tint: Theme.blue
                title: qsTr("최근 7일")
            }

            WeeklyChartView {
                days: root.usageDataManager.weeklyData
                Layout.fillWidth: true
                Layout.preferredHeight: 120
            }
        }

        CardContainer {
            objectName: "modelTokensCard"
            visible: dashboard.showModelCards
            Layout.fillWidth: true

            CardHead {
                icon: "brain"
                tint: Theme.purple
                title: qsTr("모델별 토큰")
            }

            TokenBreakdownView {
                breakdowns: root.usageDataManager.todayBreakdown
                Layout.fillWidth: true
            }
        }

        CardContainer {
            objectName: "modelShareCard"
            visible: dashboard.showModelCards
            Layout.fillWidth: true

            CardHead {
                icon: "chart.pie.fill"
                tint: Theme.pink
                title: qsTr("모델별 비율")
            }

            ColumnLayout {
                spacing: 6
                Layout.fillWidth: true

                Repeater {
                    model: dashboard.shareRows

                    RowLayout {
                        required property var modelData

                        spacing: 6
                        Layout.fillWidth: true

                        Text {
                            text: modelData.name
                            color: Theme.primary
                            font.pixelSize: Theme.caption
                            elide: Text.ElideRight
                            Layout.preferredWidth: 80
                        }

                        Item {
                            id: shareSpace

                            Layout.fillWidth: true
                            Layout.preferredHeight: 10

                            Rectangle {
                                id: shareBar

                                readonly property color tint: Theme.named[modelData.color]

                                objectName: "shareBar"
                                width: BarMetrics.shareWidth(shareSpace.width, modelData.share)
                                height: parent.height
                                radius: 3
                                gradient: Gradient {
                                    GradientStop { position: 0; color: Qt.lighter(shareBar.tint, 1.15) }
                                    GradientStop { position: 1; color: shareBar.tint }
                                }
                            }
                        }

                        Text {
                            text: modelData.tokens
                            color: Theme.secondary
                            font.family: Theme.digitsFamily
                            font.pixelSize: Theme.caption2
                            horizontalAlignment: Text.AlignRight
                            Layout.preferredWidth: 50
                        }
                    }
                }
            }
        }

        CardContainer {
            id: projectCard

            property bool week: false
            readonly property var rows: week ? dashboard.weekProjectRows : dashboard.todayProjectRows

            objectName: "projectCard"
            visible: dashboard.todayProjectRows.length > 0 || dashboard.weekProjectRows.length > 0
            Layout.fillWidth: true

            CardHead {
                icon: "folder.fill"
                tint: Theme.green
                title: qsTr("프로젝트별")

                Repeater {
                    model: [ { label: qsTr("오늘"), week: false }, { label: qsTr("7일"), week: true } ]

                    Text {
                        required property var modelData

                        objectName: "projectRange"
                        leftPadding: 6
                        text: modelData.label
                        color: projectCard.week === modelData.week ? Theme.primary : Theme.tertiary
                        font.pixelSize: Theme.caption2
                        font.weight: projectCard.week === modelData.week ? Font.DemiBold : Font.Normal

                        TapHandler {
                            onTapped: projectCard.week = parent.modelData.week
                        }
                    }
                }
            }

            Text {
                visible: projectCard.rows.length === 0
                text: qsTr("데이터가 없어요")
                color: Theme.tertiary
                font.pixelSize: Theme.caption
            }

            ColumnLayout {
                spacing: 4
                Layout.fillWidth: true

                Repeater {
                    model: projectCard.rows

                    RowLayout {
                        required property var modelData

                        objectName: "projectRow"
                        spacing: 6
                        Layout.fillWidth: true

                        Text {
                            text: modelData.name
                            color: Theme.primary
                            font.pixelSize: Theme.caption
                            elide: Text.ElideMiddle
                            Layout.fillWidth: true
                        }

                        Text {
                            text: modelData.tokens
                            color: Theme.primary
                            font.family: Theme.digitsFamily
                            font.pixelSize: Theme.caption
                            font.weight: Font.Medium
                            horizontalAlignment: Text.AlignRight
                            Layout.preferredWidth: 50
                        }

                        Text {
                            text: modelData.cost
                            color: Theme.secondary
                            font.family: Theme.digitsFamily
                            font.pixelSize: Theme.caption2
                            horizontalAlignment: Text.AlignRight
                            Layout.preferredWidth: 52
                        }
                    }
                }
            }
        }

        CardContainer {
            objectName: "providerCard"
            visible: dashboard.showProviderCard
            Layout.fillWidth: true

            CardHead {
                icon: "network"
                tint: Theme.teal
                title: qsTr("프로바이더별 토큰")
            }

            // Positioners, not layouts: a layout whose repeated items change while it is shown is
            // left pointing at the items the repeater removed.
            Column {
                id: providerRows

                spacing: 4
                Layout.fillWidth: true

                Repeater {
                    model: dashboard.providerRows

                    Column {
                        id: providerRow

                        required property var modelData

                        objectName: "providerRow"
                        width: providerRows.width

                        RowLayout {
                            spacing: 6
                            width: providerRow.width

                            Text {
                                text: providerRow.modelData.name
                                color: Theme.primary
                                font.pixelSize: Theme.caption
                                elide: Text.ElideRight
                                Layout.fillWidth: true
                            }

                            Text {
                                text: providerRow.modelData.tokens
                                color: Theme.primary
                                font.family: Theme.digitsFamily
                                font.pixelSize: Theme.caption
                                font.weight: Font.Medium
                                horizontalAlignment: Text.AlignRight
                                Layout.preferredWidth: 50
                            }

                            Text {
                                text: providerRow.modelData.cost
                                color: Theme.secondary
                                font.family: Theme.digitsFamily
                                font.pixelSize: Theme.caption2
                                horizontalAlignment: Text.AlignRight
                                Layout.preferredWidth: 52
                            }
                        }

                        Text {
                            text: providerRow.modelData.detail
                            color: Theme.secondary
                            font.family: Theme.digitsFamily
                            font.pixelSize: Theme.caption2
                            elide: Text.ElideRight
                            width: providerRow.width
                        }
                    }
                }
            }
        }
    }
}
