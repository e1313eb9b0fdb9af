import QtQuick
import Sayline.App
import Sayline.Display

// The live transcript line: the latest words of the calmed transcript on one
// line, scrolled to its end after each update, with a gentle emphasis that
// alternates on every new text.
Item {
    id: root

    // The speech recognition manager whose transcriptionResult is shown.
    required property QtObject speechManager
    // One store per view; a new view starts with an empty line.
    property TranscriptionDisplayStore store: TranscriptionDisplayStore {}
    readonly property alias flickable: scroller
    readonly property alias textItem: transcriptionText

    implicitWidth: 64 + 16 + 16 + 64
    implicitHeight: transcriptionText.implicitHeight + 16 + 8

    Connections {
        target: root.speechManager
        function onTranscriptionResultChanged() {
            root.store.send(root.speechManager.transcriptionResult)
        }
    }

    Connections {
        target: root.store
        // After the new text has been laid out.
        function onDebouncedTextChanged() { Qt.callLater(root.scrollToEnd) }
    }

    // The text's own trailing edge meets the strip's: the padding after it may
    // scroll out of view, the text's start only when the line is really longer.
    function scrollToEnd() {
        const textEnd = transcriptionText.x + transcriptionText.implicitWidth
        scroller.contentX = Math.min(Math.max(0, textEnd - scroller.width),
                                     Math.max(0, scroller.contentWidth - scroller.width))
    }

    Flickable {
        id: scroller
        anchors.fill: parent
        anchors.leftMargin: 64
        anchors.rightMargin: 64
        flickableDirection: Flickable.HorizontalFlick
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        contentWidth: Math.max(width, transcriptionText.implicitWidth + 16 + 16)
        contentHeight: height

        Text {
            id: transcriptionText
            objectName: "transcriptionText"
            x: 16
            y: 16
            text: root.store.displayText(root.store.debouncedText)
            font: PlatformStyle.callout
            color: PlatformStyle.secondaryLabel
            horizontalAlignment: Text.AlignLeft
            maximumLineCount: 1
            wrapMode: Text.NoWrap
            textFormat: Text.PlainText
            transformOrigin: Item.Center
            opacity: root.store.animationTrigger ? 1.0 : 0.7
            scale: root.store.animationTrigger ? 1.0 : 0.98
            Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.InOutQuad } }
            Behavior on scale { NumberAnimation { duration: 400; easing.type: Easing.InOutQuad } }
        }
    }
}
