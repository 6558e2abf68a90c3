import QtQuick
import Pacemark.Views

Rectangle {
    radius: 10
    color: Qt.rgba(Theme.quaternary.r, Theme.quaternary.g, Theme.quaternary.b, Theme.quaternary.a * 0.3)
}
