import QtQuick
import Sayline.App
import Sayline.Panel

// The animated band that shows the microphone hears something: four nested
// sine curves whose height follows the input amplitude and which travel with
// the wall clock, redrawn on every display refresh while the view exists.
Item {
    id: root

    // The manager's currentAmplitude.
    property real amplitude: 0
    // The drawn amplitude follows changes over 0.2 s.
    property real displayedAmplitude: amplitude
    Behavior on displayedAmplitude { NumberAnimation { duration: 200; easing.type: Easing.InOutQuad } }

    readonly property alias waves: multiWave

    MultiWave {
        id: multiWave
        anchors.fill: parent
        color: PlatformStyle.systemBlue
        amplitude: scaledAmplitude(root.displayedAmplitude, height)
    }

    FrameAnimation {
        running: true
        onTriggered: multiWave.phase = multiWave.wallClockPhase()
    }
}
