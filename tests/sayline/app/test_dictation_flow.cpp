// The dictation flow and the application's global shortcuts: the order in
// which the panel, the recognition manager and delivery are driven.
#include "AppStateHarness.h"
#include "ApplicationShortcuts.h"
#include "UserDefaults.h"

#include <QElapsedTimer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QTest>

#include <functional>

namespace {

const QString spoken = QStringLiteral("Dictated words"); // as written: the first word with a capital

// Starts listening through the menu path, with `text` recognised so far.
void listenWithText(AppStateHarness &harness, const QString &text)
{
    harness.appState->toggleRecordingFromMenu();
    QTRY_VERIFY(harness.manager().isTranscribing());
    if (!text.isEmpty()) {
        QVERIFY(harness.provider->transcript);
        harness.provider->transcript->yield(text);
        QTRY_COMPARE(harness.manager().transcriptionResult(), text);
    }
    harness.events().clear();
}

// The flow's own steps, without the provider's view of them.
QStringList flowEvents(const AppStateHarness &harness)
{
    return harness.eventsWithout({"listen"});
}

} // namespace

class TestDictationFlow : public QObject
{
    Q_OBJECT

private slots:
    void init() { UserDefaults::standard().remove(QStringLiteral("outputTargets")); }

    void toggleWhileHiddenShowsThenListensAfterDelay()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        QElapsedTimer sincePress;
        sincePress.start();
        appState.handleToggleShortcut();
        QCOMPARE(harness.events(), QStringList{"panel shown"});
        QCoreApplication::processEvents();
        QVERIFY(!harness.manager().isTranscribing());

        QTRY_VERIFY(harness.manager().isTranscribing());
        QVERIFY2(sincePress.elapsed() >= 100, qPrintable(QString::number(sincePress.elapsed())));
        QCOMPARE(harness.events(), (QStringList{"panel shown", "transcribing", "listen en-US"}));
        QVERIFY(harness.windows->isMainWindowVisible());
    }

    void endings_data()
    {
        QTest::addColumn<std::function<void(AppState &)>>("end");
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<QStringList>("expected");
        const QStringList delivered{"idle", "transcript ", "panel hidden", "pasteboard clear", "pasteboard set " + spoken};
        const QStringList discarded{"idle", "transcript ", "panel hidden"};
        // The toggle closes the panel first, then stops, clears and delivers.
        const auto toggle = [](AppState &s) { s.handleToggleShortcut(); };
        QTest::newRow("toggle delivers")
            << std::function<void(AppState &)>(toggle) << spoken
            << QStringList{"panel hidden", "idle", "transcript ", "pasteboard clear", "pasteboard set " + spoken};
        QTest::newRow("toggle with empty transcript")
            << std::function<void(AppState &)>(toggle) << QString() << QStringList{"panel hidden", "idle"};
        QTest::newRow("menu delivers") << std::function<void(AppState &)>([](AppState &s) { s.toggleRecordingFromMenu(); })
                                       << spoken << delivered;
        QTest::newRow("submit delivers") << std::function<void(AppState &)>([](AppState &s) { s.submitDictation(); })
                                         << spoken << delivered;
        QTest::newRow("close discards") << std::function<void(AppState &)>([](AppState &s) { s.handleCloseShortcut(); })
                                        << spoken << discarded;
        QTest::newRow("escape discards") << std::function<void(AppState &)>([](AppState &s) { s.cancelDictation(); })
                                         << spoken << discarded;
    }

    // Stop, clear, the panel closes (or is closed), then the text is delivered.
    void endings()
    {
        QFETCH(std::function<void(AppState &)>, end);
        QFETCH(QString, transcript);
        QFETCH(QStringList, expected);
        AppStateHarness harness;
        AppState &appState = harness.start();
        listenWithText(harness, transcript);

        end(appState);
        QTest::qWait(150); // long enough for a wrongly started toggle task
        QCOMPARE(flowEvents(harness), expected);
        QVERIFY(!harness.windows->isMainWindowVisible());
        QVERIFY(!harness.manager().isTranscribing());
        QCOMPARE(harness.manager().transcriptionResult(), QString());
    }

    void closeWhileHiddenChangesNothing()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        appState.handleCloseShortcut();
        QTest::qWait(150);
        QCOMPARE(harness.events(), QStringList{});
        QVERIFY(!harness.windows->isMainWindowVisible());
    }

    void toggleWhileHiddenButListeningStartsAfresh()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        listenWithText(harness, spoken);
        harness.windows->hideMainWindow();
        harness.events().clear();

        appState.handleToggleShortcut();
        QTRY_COMPARE(harness.events().filter(QStringLiteral("listen en-US")).size(), 1);
        QCOMPARE(flowEvents(harness), (QStringList{"panel shown", "idle", "transcribing", "transcript "}));
        QCOMPARE(harness.events().filter(QStringLiteral("pasteboard")), QStringList{});
        QVERIFY(harness.events().indexOf("listening ended") < harness.events().indexOf("listen en-US"));
    }

    // The task scheduled by the first press is not cancelled by the second:
    // after its delay the panel is back and listening.
    void doubleToggleWithinDelay()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        appState.handleToggleShortcut();
        harness.manager().setTranscriptionResult(QStringLiteral("left over"));
        appState.handleToggleShortcut();
        QCOMPARE(harness.events(), (QStringList{"panel shown", "transcript left over", "panel hidden", "transcript ",
                                                "pasteboard clear", "pasteboard set left over"}));

        QTRY_VERIFY(harness.manager().isTranscribing());
        QCOMPARE(harness.events().mid(6), (QStringList{"panel shown", "transcribing", "listen en-US"}));
        QVERIFY(harness.windows->isMainWindowVisible());
    }

    void menuStartsWithoutDelay()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        QElapsedTimer sinceChoice;
        sinceChoice.start();
        appState.toggleRecordingFromMenu();
        // Only the microphone check (on a worker thread) comes before listening, not the
        // shortcut's delay of 100 ms.
        QTRY_VERIFY(harness.manager().isTranscribing());
        QVERIFY2(sinceChoice.elapsed() < 100, qPrintable(QString::number(sinceChoice.elapsed())));
        QCOMPARE(harness.events(), (QStringList{"panel shown", "transcribing", "listen en-US"}));
    }

    void languageChangeRestartsListening()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        listenWithText(harness, QString());
        appState.changeLanguage(QStringLiteral("de-DE"));
        QCOMPARE(flowEvents(harness), QStringList{"idle"});
        QTRY_VERIFY(harness.manager().isTranscribing());
        QCOMPARE(harness.manager().currentLanguageCode(), QStringLiteral("de-DE"));
        QCOMPARE(harness.events().last(), QStringLiteral("listen de-DE"));
    }

    // The panel's views read the manager through AppState and call the flow.
    void qmlReachesTheManagerAndTheFlow()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        QQmlEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("appState"), &appState);
        const auto evaluate = [&](const QString &code) {
            QQmlExpression expression(engine.rootContext(), nullptr, code);
            const QVariant value = expression.evaluate();
            if (expression.hasError())
                qWarning() << expression.error().toString();
            return value;
        };
        listenWithText(harness, spoken);
        QCOMPARE(evaluate("appState.speechRecognitionManager.isTranscribing"), QVariant(true));
        QCOMPARE(evaluate("appState.speechRecognitionManager.transcriptionResult"), QVariant(spoken));
        appState.setOutputTargets({OutputTarget::autoInsert});
        evaluate("appState.submitDictation()");
        QTRY_COMPARE(harness.events().filter(QStringLiteral("type ")), QStringList{"type " + spoken});
        QVERIFY(!harness.windows->isMainWindowVisible());
    }

    // Releasing the default shortcuts reaches the flow (key-up, not key-down).
    void shortcutReleasesDriveTheFlow()
    {
        using namespace KeyboardShortcuts;
        AppStateHarness harness;
        harness.start();
        const Shortcut toggle(Key::a, {ModifierFlag::control, ModifierFlag::command});
        const Shortcut close(Key::escape);

        handleOnKeyDown(toggle);
        QCOMPARE(harness.events(), QStringList{});
        handleOnKeyUp(toggle);
        QCOMPARE(harness.events(), QStringList{"panel shown"});
        QTRY_VERIFY(harness.manager().isTranscribing());
        handleOnKeyUp(close);
        QCOMPARE(harness.eventsWithout({"listen"}), (QStringList{"panel shown", "transcribing", "idle", "panel hidden"}));
    }
};

APP_STATE_TEST_MAIN(TestDictationFlow)
#include "test_dictation_flow.moc"
