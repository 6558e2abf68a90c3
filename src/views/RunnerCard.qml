import QtQuick
import Pacemark.Views

// One character tile: a looping preview of the pack's frames over its name, highlighted when selected.
Item {
    id: card

    required property string packId
    required property string name
    required property int frameCount
    // Where the frame item finds the pack's frames.
    property QtObject registry
    required property bool isSelected
    // Milliseconds per preview frame.
    property int interval: 70
    // Whether the tile is on screen; the preview runs only then.
    property bool onScreen: false
    property int frameIndex: 0
    readonly property bool animates: onScreen && frameCount >= 2

    signal clicked()

    implicitHeight: content.implicitHeight + 20

    // Every showing starts the loop again at its first frame.
    onAnimatesChanged: if (animates) frameIndex = 0

    Timer {
        objectName: "previewTimer"
        interval: card.interval
        repeat: true
        running: card.animates
        onTriggered: card.frameIndex = (card.frameIndex + 1) % card.frameCount
    }

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: card.isSelected ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.15)
                               : Qt.rgba(Theme.gray.r, Theme.gray.g, Theme.gray.b, 0.08)
        border.width: card.isSelected ? 1.5 : 0
        border.color: Theme.accent
    }

    Column {
        id: content

        x: 8
        y: 10
        width: card.width - 16
        spacing: 6

        FrameImage {
            objectName: "preview"
            visible: card.frameCount > 0
            registry: card.registry
            packId: card.packId
            frameIndex: card.frameIndex
            height: 48
            width: height * aspectRatio
            anchors.horizontalCenter: parent.horizontalCenter
        }

        Text {
            objectName: "packName"
            text: card.name
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            maximumLineCount: 1
            elide: Text.ElideRight
            font.family: Theme.fontFamily
            font.pixelSize: Theme.caption2
            color: Theme.primary
        }
    }

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: card.clicked()
    }
}
