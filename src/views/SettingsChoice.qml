import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pacemark.Views

// A settings row with its label on the left and a drop-down choice at the right end.
RowLayout {
    id: root

    property alias text: label.text
    property alias model: combo.model
    property alias currentIndex: combo.currentIndex
    readonly property alias displayText: combo.displayText

    signal activated(int index)

    Layout.fillWidth: true
    Layout.preferredHeight: 30

    Text {
        id: label

        font.family: Theme.fontFamily
        font.pixelSize: Theme.callout
        color: Theme.primary
        opacity: root.enabled ? 1 : 0.5
    }

    Item {
        Layout.fillWidth: true
    }

    ComboBox {
        id: combo

        // An index that matches no entry shows nothing rather than the first one.
        displayText: currentIndex < 0 ? "" : currentText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.callout
        implicitHeight: 24
        Layout.preferredWidth: 140

        // Drawn, not an image: the style's arrow picture is a texture that outlives the view.
        indicator: Item {
            x: parent.width - width - 9
            y: (parent.height - height) / 2
            width: 8
            height: 11

            Repeater {
                model: [-1, 1]

                // A chevron of two strokes meeting at its bottom centre; the upper one turned over.
                Item {
                    required property int modelData

                    width: 8
                    height: 4
                    y: modelData < 0 ? 0 : 7
                    rotation: modelData < 0 ? 180 : 0

                    Rectangle {
                        x: 2 - width / 2
                        y: 2 - height / 2
                        width: 5.66
                        height: 1.5
                        radius: 0.75
                        rotation: 45
                        color: Theme.secondary
                    }

                    Rectangle {
                        x: 6 - width / 2
                        y: 2 - height / 2
                        width: 5.66
                        height: 1.5
                        radius: 0.75
                        rotation: -45
                        color: Theme.secondary
                    }
                }
            }
        }

        background: Rectangle {
            radius: 5
            color: Theme.dark ? Qt.rgba(1, 1, 1, 0.1) : "white"
            border.width: 1
            border.color: Theme.dark ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.15)
        }
        onActivated: index => root.activated(index)
    }
}
