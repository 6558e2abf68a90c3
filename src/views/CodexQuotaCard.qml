import QtQuick
import QtQuick.Layouts
import Pacemark.Views

// Codex's limits as its last turn saw them; the badge says how old they are.
CardContainer {
    id: root

    required property CodexQuotaCardModel model

    CardHead {
        icon: "gauge.with.dots.needle.67percent"
        tint: Theme.teal
        title: qsTr("Codex 한도")

        Text {
            objectName: "codexQuotaBadge"
            text: root.model.badgeText
            color: Theme.secondary
            font.pixelSize: Theme.caption2
        }
    }

    ColumnLayout {
        spacing: 6
        Layout.fillWidth: true

        Repeater {
            model: root.model.rows

            QuotaBar { }
        }
    }
}
