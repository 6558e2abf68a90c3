import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

CardContainer {
    id: root

    required property QuotaCardModel model

    CardHead {
        icon: "gauge.with.dots.needle.67percent"
        tint: Theme.indigo
        title: qsTr("Claude 쿼터")

        Text {
            objectName: "quotaBadge"
            visible: text.length > 0
            text: root.model.badgeText
            color: root.model.badgeAlert ? Theme.red : Theme.secondary
            font.pixelSize: Theme.caption2
        }

        BusyIndicator {
            objectName: "quotaSpinner"
            visible: root.model.busy
            running: visible
            implicitWidth: 14
            implicitHeight: 14
            padding: 0
            palette.dark: Theme.secondary
        }
    }

    ColumnLayout {
        visible: root.model.hasQuota && root.model.rows.length > 0
        spacing: 6
        Layout.fillWidth: true

        Repeater {
            model: root.model.rows

            QuotaBar { }
        }
    }

    Text {
        visible: root.model.showNotLoggedInText
        text: qsTr("Claude Code에 로그인하면 자동으로 쿼터를 표시합니다.")
        color: Theme.secondary
        font.pixelSize: Theme.caption2
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
}
