import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

// The settings window's form: the runner's options, the quota connection, the quota alerts, the price
// list's updates, launch at login and the application's version, update check and quit. The settings are bound both ways to the
// defaults.
Pane {
    id: root

    required property QuotaSettingsModel quota
    required property AppSettings defaults
    required property Autostart loginItem
    required property UpdateChecker appUpdater
    required property SettingsModel settingsWindow
    // The sources of usage logs, each with a switch; absent, the section is left out.
    property QtObject usageSources: null
    // Mirror of the login-item registration, read each time the window is shown.
    property bool launchAtLogin: false
    readonly property var heights: [16.0, 20.0, 24.0]
    readonly property var languages: ["ko", "en", "system"]

    implicitWidth: 480
    implicitHeight: 540
    padding: 0

    palette {
        window: Theme.background
        windowText: Theme.primary
        base: Theme.dark ? "#3a3a3c" : "white"
        alternateBase: Theme.dark ? "#2c2c2e" : "#f2f2f4"
        text: Theme.primary
        button: Theme.dark ? "#48484a" : "white"
        buttonText: Theme.primary
        highlight: Theme.accent
        highlightedText: "white"
        mid: Theme.tertiary
        dark: Theme.secondary
        light: Theme.dark ? "#48484a" : "#e5e5ea"
    }

    background: Rectangle {
        color: Theme.background
    }

    // The registration may have changed outside the application while the window was hidden.
    Connections {
        target: root.settingsWindow

        function onShown() {
            root.launchAtLogin = root.loginItem.isLaunchAtLoginEnabled()
        }
    }

    Flickable {
        id: scroller

        objectName: "scroller"

        anchors.fill: parent
        contentWidth: width
        contentHeight: form.implicitHeight + 24
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }

        ColumnLayout {
            id: form

            x: 20
            y: 12
            width: scroller.width - 40
            spacing: 10

            SettingsSection {
                title: qsTr("러너")
                Layout.fillWidth: true

                SettingsSwitch {
                    objectName: "speedInvertedSwitch"
                    text: qsTr("속도 반전")
                    checked: root.defaults.speedInverted
                    onToggled: root.defaults.speedInverted = checked
                }

                SettingsSwitch {
                    objectName: "horizontalFlipSwitch"
                    text: qsTr("수평 반전")
                    checked: root.defaults.horizontalFlip
                    onToggled: root.defaults.horizontalFlip = checked
                }

                SettingsChoice {
                    objectName: "characterHeightChoice"
                    text: qsTr("캐릭터 크기")
                    model: [qsTr("작게 (16pt)"), qsTr("보통 (20pt)"), qsTr("크게 (24pt)")]
                    // A stored height that is none of the three matches no entry.
                    currentIndex: root.heights.indexOf(root.defaults.characterHeight)
                    onActivated: index => root.defaults.characterHeight = root.heights[index]
                }

                SettingsSwitch {
                    objectName: "runnerPausedSwitch"
                    text: qsTr("러너 일시정지")
                    checked: root.defaults.runnerPaused
                    onToggled: root.defaults.runnerPaused = checked
                }
            }

            SettingsSection {
                title: qsTr("사용량 소스")
                visible: root.usageSources !== null
                Layout.fillWidth: true

                Repeater {
                    model: root.usageSources ? root.usageSources.sources : []

                    ColumnLayout {
                        required property var modelData

                        spacing: 0
                        Layout.fillWidth: true

                        SettingsSwitch {
                            objectName: "usageSourceSwitch_" + parent.modelData.id
                            text: parent.modelData.name
                            checked: parent.modelData.on
                            onToggled: root.usageSources.setEnabled(parent.modelData.id, checked)
                        }

                        Text {
                            text: parent.modelData.folders + (parent.modelData.available ? "" : qsTr(" (로그 없음)"))
                            color: Theme.secondary
                            font.pixelSize: 11
                            elide: Text.ElideMiddle
                            Layout.fillWidth: true
                        }
                    }
                }
            }

            SettingsSection {
                title: qsTr("Claude 쿼터")
                footer: qsTr("Claude Code에 로그인된 상태면 자동으로 사용량을 가져옵니다.")
                Layout.fillWidth: true

                RowLayout {
                    spacing: 8
                    Layout.fillWidth: true
                    Layout.preferredHeight: 30

                    Text {
                        text: qsTr("상태")
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        color: Theme.primary
                    }

                    Item {
                        Layout.fillWidth: true
                    }

                    RowLayout {
                        spacing: 6
                        Layout.maximumWidth: 320

                        BusyIndicator {
                            objectName: "quotaSpinner"
                            visible: root.quota.isLoading
                            running: visible
                            padding: 0
                            Layout.preferredWidth: 14
                            Layout.preferredHeight: 14
                        }

                        Text {
                            objectName: "quotaStatus"
                            text: root.quota.statusText
                            color: root.quota.statusTone === QuotaSettingsModel.Red ? Theme.red
                                 : root.quota.statusTone === QuotaSettingsModel.Green ? Theme.green : Theme.secondary
                            horizontalAlignment: Text.AlignRight
                            maximumLineCount: 1
                            elide: Text.ElideRight
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.caption
                            Layout.fillWidth: true
                        }
                    }
                }

                SettingsSwitch {
                    objectName: "quotaBatterySwitch"
                    text: qsTr("메뉴바 캐릭터 옆에 쿼터 배터리 표시")
                    checked: root.defaults.showMenuBarQuotaBattery
                    onToggled: root.defaults.showMenuBarQuotaBattery = checked
                }

                SettingsChoice {
                    objectName: "batteryLimitChoice"
                    text: qsTr("배터리에 표시할 한도")
                    model: [root.quota.sessionLimitName, qsTr("가장 가까운 한도")]
                    currentIndex: root.defaults.batteryShowsBindingLimit ? 1 : 0
                    enabled: root.defaults.showMenuBarQuotaBattery
                    onActivated: index => root.defaults.batteryShowsBindingLimit = index === 1
                }

                RowLayout {
                    spacing: 8
                    Layout.fillWidth: true
                    Layout.preferredHeight: 30

                    SettingsButton {
                        objectName: "connectButton"
                        visible: root.quota.offersConnect
                        text: qsTr("연결")
                        onClicked: root.quota.connectQuota()
                    }

                    SettingsButton {
                        objectName: "refreshButton"
                        visible: !root.quota.offersConnect
                        text: qsTr("새로고침")
                        onClicked: root.quota.connectQuota()
                    }

                    SettingsButton {
                        objectName: "disconnectButton"
                        visible: !root.quota.offersConnect
                        text: qsTr("연결 해제")
                        destructive: true
                        onClicked: root.quota.disconnectQuota()
                    }

                    Item {
                        Layout.fillWidth: true
                    }

                    Text {
                        objectName: "quotaUpdated"
                        visible: root.quota.hasQuota
                        text: root.quota.updatedText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.caption2
                        color: Theme.secondary
                    }
                }

                ColumnLayout {
                    visible: root.quota.hasQuota && (windowsLine.text.length > 0 || creditsLine.text.length > 0)
                    spacing: 2
                    Layout.fillWidth: true
                    Layout.bottomMargin: 6

                    Text {
                        id: windowsLine

                        objectName: "quotaWindows"
                        visible: text.length > 0
                        text: root.quota.windowsText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.caption
                        color: Theme.primary
                    }

                    Text {
                        id: creditsLine

                        objectName: "quotaCredits"
                        visible: text.length > 0
                        text: root.quota.creditsText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.caption
                        color: Theme.primary
                    }
                }
            }

            SettingsSection {
                title: qsTr("알림")
                footer: qsTr("한도가 차오를 때와 초기화될 때 데스크톱 알림으로 알려 줍니다. 기간마다 한 번씩만 알립니다.")
                Layout.fillWidth: true

                SettingsSwitch {
                    objectName: "quotaAlertsSwitch"
                    text: qsTr("쿼터 알림")
                    checked: root.defaults.quotaAlertsEnabled
                    onToggled: root.defaults.quotaAlertsEnabled = checked
                }

                RowLayout {
                    enabled: root.defaults.quotaAlertsEnabled
                    opacity: enabled ? 1 : 0.5
                    Layout.fillWidth: true
                    Layout.preferredHeight: 30

                    Text {
                        text: qsTr("첫 번째 알림")
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        color: Theme.primary
                    }

                    Item {
                        Layout.fillWidth: true
                    }

                    SpinBox {
                        objectName: "quotaAlertLowerThreshold"
                        from: 1
                        to: 99
                        value: root.defaults.quotaAlertLowerThreshold
                        editable: true
                        textFromValue: (value, locale) => value + "%"
                        valueFromText: (text, locale) => parseInt(text)
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        implicitHeight: 24
                        Layout.preferredWidth: 110
                        onValueModified: root.defaults.quotaAlertLowerThreshold = value
                    }
                }

                RowLayout {
                    enabled: root.defaults.quotaAlertsEnabled
                    opacity: enabled ? 1 : 0.5
                    Layout.fillWidth: true
                    Layout.preferredHeight: 30

                    Text {
                        text: qsTr("두 번째 알림")
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        color: Theme.primary
                    }

                    Item {
                        Layout.fillWidth: true
                    }

                    SpinBox {
                        objectName: "quotaAlertUpperThreshold"
                        from: 2
                        to: 100
                        value: root.defaults.quotaAlertUpperThreshold
                        editable: true
                        textFromValue: (value, locale) => value + "%"
                        valueFromText: (text, locale) => parseInt(text)
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        implicitHeight: 24
                        Layout.preferredWidth: 110
                        onValueModified: root.defaults.quotaAlertUpperThreshold = value
                    }
                }
            }

            SettingsSection {
                title: qsTr("비용")
                footer: qsTr("모델 가격은 LiteLLM의 공개 가격표(model_prices_and_context_window.json)에서 하루에 한 번 받아 옵니다. 끄면 마지막으로 받은 가격표를, 받은 적이 없으면 내장 가격표를 씁니다. ~/.config/Pacemark/prices.json이 있으면 그 가격이 우선합니다.")
                Layout.fillWidth: true

                SettingsSwitch {
                    objectName: "priceListAutoUpdateSwitch"
                    text: qsTr("가격표 자동 업데이트")
                    checked: root.defaults.priceListAutoUpdate
                    onToggled: root.defaults.priceListAutoUpdate = checked
                }
            }

            SettingsSection {
                title: qsTr("일반")
                Layout.fillWidth: true

                SettingsChoice {
                    objectName: "languageChoice"
                    text: qsTr("언어")
                    //: Each language is named in its own words, in every language.
                    model: [qsTr("한국어"), "English", qsTr("시스템 언어")]
                    currentIndex: root.languages.indexOf(root.defaults.language)
                    onActivated: index => root.defaults.language = root.languages[index]
                }
            }

            SettingsSection {
                title: qsTr("자동 실행")
                Layout.fillWidth: true

                SettingsSwitch {
                    objectName: "launchAtLoginSwitch"
                    text: qsTr("로그인 시 자동 시작")
                    checked: root.launchAtLogin
                    onToggled: {
                        root.launchAtLogin = checked
                        root.loginItem.setLaunchAtLogin(checked)
                    }
                }
            }

            SettingsSection {
                title: qsTr("정보")
                Layout.fillWidth: true

                RowLayout {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 30

                    Text {
                        text: qsTr("버전")
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        color: Theme.primary
                    }

                    Item {
                        Layout.fillWidth: true
                    }

                    Text {
                        objectName: "versionText"
                        text: root.appUpdater.appVersion
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        color: Theme.secondary
                    }
                }

                RowLayout {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 30

                    Text {
                        text: qsTr("업데이트")
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.callout
                        color: Theme.primary
                    }

                    Item {
                        Layout.fillWidth: true
                    }

                    SettingsButton {
                        objectName: "checkForUpdatesButton"
                        text: qsTr("업데이트 확인")
                        enabled: root.appUpdater.canCheckForUpdates
                        onClicked: root.appUpdater.checkForUpdates()
                    }
                }

                SettingsButton {
                    objectName: "quitButton"
                    text: qsTr("Pacemark 종료")
                    destructive: true
                    Layout.bottomMargin: 5
                    onClicked: Qt.quit()
                }
            }
        }
    }
}
