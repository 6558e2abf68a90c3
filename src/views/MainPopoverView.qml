import QtQuick
import QtQuick.Layouts
import Pacemark.Views

Rectangle {
    id: root

    enum Page { Main, History, Runner }

    required property UsageDataManager usageDataManager
    required property QuotaCardModel quotaCard
    property CodexQuotaCardModel codexQuotaCard: null
    required property RunCharacter runCharacter
    required property PopoverActions actions
    property int currentPage: MainPopoverView.Page.Main
    // The history page is built on its first showing and kept.
    property bool historyOpened: currentPage === MainPopoverView.Page.History

    onCurrentPageChanged: historyOpened = historyOpened || currentPage === MainPopoverView.Page.History

    implicitWidth: 360
    implicitHeight: 420
    color: Theme.background

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        StackLayout {
            currentIndex: root.currentPage === MainPopoverView.Page.Runner ? 2
                        : root.currentPage === MainPopoverView.Page.History ? 1 : 0
            Layout.fillWidth: true
            Layout.fillHeight: true

            DashboardPage {
                objectName: "dashboardPage"
                usageDataManager: root.usageDataManager
                quotaCard: root.quotaCard
                codexQuotaCard: root.codexQuotaCard
            }

            // Built when first shown, so that an unopened page costs nothing.
            Loader {
                objectName: "historyPage"
                active: root.historyOpened

                sourceComponent: HistoryPage {
                    usageDataManager: root.usageDataManager
                }
            }

            RunnerSelectionView {
                objectName: "runnerPage"
                runCharacter: root.runCharacter
            }
        }

        Rectangle {
            color: Theme.separator
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }

        RowLayout {
            spacing: 0
            Layout.fillWidth: true
            Layout.topMargin: 6
            Layout.bottomMargin: 6

            ToolbarButton {
                objectName: "homeButton"
                icon: "house.fill"
                label: qsTr("홈")
                isActive: root.currentPage === MainPopoverView.Page.Main
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                onClicked: root.currentPage = MainPopoverView.Page.Main
            }

            ToolbarButton {
                objectName: "historyButton"
                icon: "calendar"
                label: qsTr("기록")
                isActive: root.currentPage === MainPopoverView.Page.History
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                onClicked: root.currentPage = MainPopoverView.Page.History
            }

            ToolbarButton {
                objectName: "runnerButton"
                icon: "figure.run"
                label: qsTr("러너")
                isActive: root.currentPage === MainPopoverView.Page.Runner
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                onClicked: root.currentPage = MainPopoverView.Page.Runner
            }

            ToolbarButton {
                objectName: "settingsButton"
                icon: "gearshape.fill"
                label: qsTr("설정")
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                onClicked: root.actions.settingsRequested()
            }
        }
    }
}
