import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

// The popover's runner page: a grid of live previews, one tile per character pack; a click makes the
// pack the menu-bar runner.
ColumnLayout {
    id: root

    required property RunCharacter runCharacter
    // On screen: the page is shown and its window is open.
    readonly property bool shown: visible && Window.window !== null && Window.window.visible

    spacing: 0

    RunnerSelectionModel {
        id: selection

        runCharacter: root.runCharacter
    }

    Text {
        text: qsTr("러너")
        horizontalAlignment: Text.AlignHCenter
        font.family: Theme.fontFamily
        font.pixelSize: Theme.caption
        font.weight: Font.Medium
        color: Theme.primary
        Layout.fillWidth: true
        Layout.leftMargin: 16
        Layout.rightMargin: 16
        Layout.topMargin: 12
        Layout.bottomMargin: 8
    }

    Rectangle {
        color: Theme.separator
        Layout.fillWidth: true
        Layout.preferredHeight: 1
    }

    Flickable {
        id: scroller

        objectName: "runnerGrid"
        contentWidth: width
        contentHeight: grid.height + 24
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        Layout.fillWidth: true
        Layout.fillHeight: true

        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
            minimumSize: 0.1
        }

        Grid {
            id: grid

            x: 12
            y: 12
            width: scroller.width - 24
            columns: 2
            rowSpacing: 12
            columnSpacing: 12

            Repeater {
                model: selection

                RunnerCard {
                    objectName: "runnerCard"
                    width: (grid.width - grid.columnSpacing) / 2
                    registry: root.runCharacter.registry
                    interval: selection.previewInterval
                    onScreen: root.shown && grid.y + y + height > scroller.contentY
                              && grid.y + y < scroller.contentY + scroller.height
                    onClicked: selection.select(packId)
                }
            }
        }
    }
}
