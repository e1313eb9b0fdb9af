import QtQuick
import QtTest
import Sayline.App
import Sayline.Panel

// The panel content driven by a stand-in AppState and speech fakeManager that
// record what the views ask of them.
Item {
    id: stage
    width: 640
    height: 320

    QtObject {
        id: fakeManager
        property bool isAuthorized: true
        property bool isTranscribing: false
        property string transcriptionResult: ""
        property real currentAmplitude: 0.15
        property string currentLacnguageName: "English (United States)"
        property var supportedLanguages: [{ name: "English (United States)", code: "en-US" }]
    }

    QtObject {
        id: fakeAppState
        property QtObject speechRecognitionManager: fakeManager
        property var calls: []
        property var submitShortcutHint: ["^", "⌘", "A"]
        function record(call) { calls = calls.concat([call]) }
        function submitDictation() { record("submit") }
        function cancelDictation() { record("cancel") }
        function changeLanguage(code) { record("language " + code) }
        function openUrl(url) { record("open " + url) }
    }

    QtObject {
        id: fakeWindowManager
        property bool trayItemVisible: true
        function open(identifier) { fakeAppState.record("open window " + identifier) }
    }
    StoredBool { id: showRealtimeTranscription; key: "showRealtimeTranscription"; defaultValue: true }

    Component {
        id: mainViewComponent
        MainView { appState: fakeAppState; windowManager: fakeWindowManager }
    }

    TestCase {
        id: testCase
        name: "MainView"
        when: windowShown

        function init() {
            fakeManager.isAuthorized = true
            fakeManager.isTranscribing = false
            fakeManager.transcriptionResult = ""
            fakeManager.currentAmplitude = 0.15
            fakeAppState.calls = []
            fakeAppState.submitShortcutHint = ["^", "⌘", "A"]
            fakeWindowManager.trayItemVisible = true
            showRealtimeTranscription.value = true
        }

        function createView() {
            const view = createTemporaryObject(mainViewComponent, stage)
            verify(view)
            return view
        }

        function test_transcriptIsShownAfterThePause() {
            const view = createView()
            fakeManager.transcriptionResult = "hello"
            fakeManager.transcriptionResult = "hello world"
            const line = findChild(view, "transcriptionText")
            verify(line)
            compare(line.text, "")
            tryCompare(line, "text", "hello world", 1500)
            // Each new text alternates between full and reduced emphasis.
            tryCompare(line, "opacity", 1.0, 1000)
            compare(line.scale, 1.0)
            fakeManager.transcriptionResult = "hello world again"
            tryCompare(line, "text", "hello world again", 1500)
            tryCompare(line, "opacity", 0.7, 1000)
            compare(line.scale, 0.98)
        }

        function test_longTranscriptShowsItsEnd() {
            const view = createView()
            let words = []
            for (let i = 0; i < 40; ++i)
                words.push("word" + i)
            fakeManager.transcriptionResult = words.join(" ")
            const line = findChild(view, "transcriptionText")
            tryVerify(() => line.text.startsWith("...word10 "), 1500)
            const display = findChild(view, "transcriptionDisplay")
            tryVerify(() => display.flickable.contentX > 0, 1000)
            // The text's end meets the strip's end; the padding after it is out of view.
            compare(display.flickable.contentX, line.x + line.implicitWidth - display.flickable.width)
        }

        function test_submitIsDisabledWhileIdle() {
            const view = createView()
            const submit = findChild(view, "submitButton")
            verify(submit)
            compare(submit.enabled, false)
            mouseClick(submit)
            compare(fakeAppState.calls, [])

            fakeManager.isTranscribing = true
            compare(submit.enabled, true)
            mouseClick(submit)
            compare(fakeAppState.calls, ["submit"])
        }

        function hintTexts(view) {
            const row = findChild(view, "submitShortcutHint")
            verify(row)
            const texts = []
            for (let i = 0; i < row.children.length; ++i) {
                if (row.children[i].text !== undefined)
                    texts.push(row.children[i].text)
            }
            return texts
        }

        function test_submitHintNamesTheWorkingTrigger() {
            const view = createView()
            compare(hintTexts(view), ["^", "⌘", "A"])
            // The desktop moved the toggle to another key; then none works.
            fakeAppState.submitShortcutHint = ["^", "⌥", "⇧", "F9"]
            compare(hintTexts(view), ["^", "⌥", "⇧", "F9"])
            fakeAppState.submitShortcutHint = []
            compare(hintTexts(view), [])
        }

        function test_gearAppearsOnlyWithoutTrayItem() {
            const view = createView()
            const gear = findChild(view, "settingsButton")
            verify(gear)
            compare(gear.visible, false)
            fakeWindowManager.trayItemVisible = false
            compare(gear.visible, true)
            const locale = findChild(view, "localePicker")
            tryVerify(() => gear.x < locale.x)
            mouseClick(gear)
            compare(fakeAppState.calls, ["open window settings"])
        }

        function test_withoutTranscriptOnlyWaveformAndBar() {
            showRealtimeTranscription.value = false
            const view = createView()
            compare(findChild(view, "transcriptionDisplay"), null)
            verify(findChild(view, "waveform"))
            verify(findChild(view, "bar"))
            const heightWithout = view.implicitHeight
            showRealtimeTranscription.value = true
            tryVerify(() => findChild(view, "transcriptionDisplay") !== null)
            tryVerify(() => view.implicitHeight > heightWithout)
        }

        function test_unauthorizedShowsOnlyTheNotice() {
            fakeManager.isAuthorized = false
            const view = createView()
            verify(findChild(view, "unauthorizedView"))
            compare(findChild(view, "dictationControls"), null)
            compare(findChild(view, "submitButton"), null)
            const button = findChild(view, "openSystemSettings")
            verify(button)
            mouseClick(button)
            compare(fakeAppState.calls,
                    ["open x-apple.systempreferences:com.apple.preference.security?Privacy_Microphone"])

            fakeManager.isAuthorized = true
            tryVerify(() => findChild(view, "dictationControls") !== null)
        }

        function test_escapeCancelsWhenThePanelHasFocus() {
            const view = createView()
            view.forceActiveFocus()
            keyClick(Qt.Key_Escape)
            compare(fakeAppState.calls, ["cancel"])
        }

        function test_languageMenuShowsTheNameAndRestartsOnChoice() {
            const view = createView()
            const picker = findChild(view, "localePicker")
            compare(findChild(picker, "languageName").text, "English (United States)")
            picker.choose("en-US")
            compare(fakeAppState.calls, ["language en-US"])
        }

        function test_waveformFollowsTheAmplitude() {
            const view = createView()
            const waveform = findChild(view, "waveform")
            compare(waveform.height, 44)
            tryVerify(() => Math.abs(waveform.waves.amplitude - 0.15 * 80 / 44) < 1e-6, 1000)
            fakeManager.currentAmplitude = 1.0
            // Eased over 0.2 s rather than jumping.
            verify(waveform.waves.amplitude < 80 / 44)
            tryVerify(() => Math.abs(waveform.waves.amplitude - 80 / 44) < 1e-6, 1000)
            const phase = waveform.waves.phase
            tryVerify(() => waveform.waves.phase !== phase, 1000)
        }
    }
}
