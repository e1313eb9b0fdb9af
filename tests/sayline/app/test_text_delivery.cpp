// Output targets, delivery of a transcript to them, and the accessibility
// (synthetic typing) trust checks, through fakes of the platform services.
#include "AppStateHarness.h"
#include "OutputCapture.h"
#include "UserDefaults.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QString checkTrue = QStringLiteral("Accessibility permission check: true, Bundle ID: io.sayline.Sayline, App Name: Sayline");
const QString checkFalse = QStringLiteral("Accessibility permission check: false, Bundle ID: io.sayline.Sayline, App Name: Sayline");
const QString notGranted = QStringLiteral("Accessibility permission not granted. Cannot auto-insert text.");
const QString heldTooLong = QStringLiteral(
    "Not typing the transcript: modifier keys still held after 1 s (Control, Super); the text is on the clipboard.");
const QString accessibilityUrl = QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");

void storeOutputTargets(const QVariant &stored)
{
    UserDefaults &defaults = UserDefaults::standard();
    if (!stored.isValid())
        defaults.remove(QStringLiteral("outputTargets"));
    else if (stored.typeId() == QMetaType::Bool)
        defaults.setBool(QStringLiteral("outputTargets"), stored.toBool());
    else
        defaults.setString(QStringLiteral("outputTargets"), stored.toString());
}

QStringList typedTexts(const AppStateHarness &harness)
{
    return harness.probe->events.filter(QRegularExpression(QStringLiteral("^type ")));
}

} // namespace

class TestTextDelivery : public QObject
{
    Q_OBJECT

private slots:
    // The first AppState declares the global shortcuts; their registration
    // report (no hot keys on the offscreen platform) is not what these tests read.
    void initTestCase() { AppStateHarness().start(); }
    void init() { storeOutputTargets(QVariant()); }

    void outputTargetsAreLoadedFromDefaults_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("expected");
        const QStringList fallback{QStringLiteral("pasteboard")};
        QTest::newRow("absent") << QVariant() << fallback;
        QTest::newRow("stored order kept") << QVariant(R"(["autoInsert","pasteboard"])")
                                           << QStringList{"autoInsert", "pasteboard"};
        QTest::newRow("duplicates kept") << QVariant(R"(["pasteboard","pasteboard"])")
                                         << QStringList{"pasteboard", "pasteboard"};
        QTest::newRow("empty list") << QVariant("[]") << QStringList{};
        QTest::newRow("not JSON") << QVariant("pasteboard") << fallback;
        QTest::newRow("empty text") << QVariant("") << fallback;
        QTest::newRow("JSON object") << QVariant(R"({"0":"autoInsert"})") << fallback;
        QTest::newRow("unknown raw value") << QVariant(R"(["autoInsert","clipboard"])") << fallback;
        QTest::newRow("raw value in other case") << QVariant(R"(["AutoInsert"])") << fallback;
        QTest::newRow("element not a string") << QVariant(R"(["autoInsert",1])") << fallback;
        QTest::newRow("truncated JSON") << QVariant(R"(["autoInsert")") << fallback;
        QTest::newRow("Boolean instead of text") << QVariant(true) << fallback;
        QTest::newRow("invalid UTF-16") << QVariant(QStringLiteral("[\"autoInsert\"]") + QChar(0xD800)) << fallback;
    }

    // Loading logs nothing; only the start-up trust check speaks, and only when
    // auto insert is among the targets.
    void outputTargetsAreLoadedFromDefaults()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, expected);
        storeOutputTargets(stored);
        AppStateHarness harness;
        OutputCapture output;
        AppState &appState = harness.start();
        QCOMPARE(appState.outputTargetValues(), expected);
        QCOMPARE(output.lines(), expected.contains("autoInsert") ? QStringList{checkTrue} : QStringList{});
    }

    void settingEqualTargetsDoesNotNotify()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        QSignalSpy changes(&appState, &AppState::outputTargetsChanged);
        appState.setOutputTargets({OutputTarget::pasteboard});
        QCOMPARE(changes.count(), 0);
        appState.setOutputTargets({OutputTarget::pasteboard, OutputTarget::autoInsert});
        QCOMPARE(changes.count(), 1);
        appState.setOutputTargetValues({"pasteboard", "autoInsert"});
        QCOMPARE(changes.count(), 1);
        appState.setOutputTargetValues({"autoInsert"});
        QCOMPARE(changes.count(), 2);
        QCOMPARE(appState.outputTargets(), QList<OutputTarget>{OutputTarget::autoInsert});
    }

    void deliveryOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("clipboardAccepts");
        QTest::addColumn<QStringList>("expectedEvents");
        QTest::addColumn<QStringList>("expectedLog");
        const QString text = QStringLiteral("Grüße 😀 aus Köln");
        const QStringList both{"autoInsert", "pasteboard"};
        const QStringList pasteboard{"pasteboard clear", "pasteboard set " + text};
        QTest::newRow("pasteboard only") << text << QStringList{"pasteboard"} << true << true << pasteboard << QStringList{};
        QTest::newRow("insertion listed first still comes last")
            << text << both << true << true << (pasteboard + QStringList{"type " + text}) << QStringList{checkTrue};
        QTest::newRow("untrusted insertion is skipped")
            << text << both << false << true << pasteboard << QStringList{checkFalse, notGranted};
        QTest::newRow("duplicates delivered twice")
            << text << both + both << true << true << (pasteboard + pasteboard + QStringList{"type " + text, "type " + text})
            << QStringList{checkTrue, checkTrue};
        QTest::newRow("refused clipboard is reported, typing goes on")
            << text << both << true << false << (pasteboard + QStringList{"type " + text})
            << QStringList{checkTrue, QStringLiteral("Could not put the transcript on the clipboard.")};
        QTest::newRow("no targets") << text << QStringList{} << true << true << QStringList{} << QStringList{};
        QTest::newRow("empty transcript") << QString() << both << true << true << QStringList{} << QStringList{};
    }

    // The caller stops and clears right after delivering (as the dictation
    // flow does); the insertion still types the text it was given.
    void deliveryOrder()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, targets);
        QFETCH(bool, trusted);
        QFETCH(bool, clipboardAccepts);
        QFETCH(QStringList, expectedEvents);
        QFETCH(QStringList, expectedLog);
        AppStateHarness harness;
        harness.probe->trusted = trusted;
        harness.probe->clipboardAccepts = clipboardAccepts;
        AppState &appState = harness.start();
        appState.setOutputTargetValues(targets);
        harness.manager().setTranscriptionResult(text);
        harness.events().clear();

        OutputCapture output;
        appState.deliverTranscription();
        QCOMPARE(typedTexts(harness), QStringList{}); // not within the delivering call
        harness.manager().clearTranscription();
        QTest::qWait(50);
        QCOMPARE(harness.eventsWithout({"transcript"}), expectedEvents);
        QCOMPARE(output.lines(), expectedLog);
    }

    void textIsTypedOnlyAfterModifiersAreReleased()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        appState.setOutputTargets({OutputTarget::autoInsert, OutputTarget::autoInsert});
        harness.manager().setTranscriptionResult(QStringLiteral("first"));
        harness.probe->heldModifiers = {"Control", "Super"};
        OutputCapture output;
        appState.deliverTranscription();
        harness.manager().setTranscriptionResult(QStringLiteral("second"));
        appState.deliverTranscription();

        QTest::qWait(300);
        QCOMPARE(typedTexts(harness), QStringList{});
        harness.probe->heldModifiers.clear();
        QTRY_COMPARE_WITH_TIMEOUT(typedTexts(harness), (QStringList{"type first", "type first", "type second", "type second"}), 500);
        QVERIFY(!harness.probe->typedWhileModifierHeld);
        QCOMPARE(output.lines(), QStringList(4, checkTrue));
    }

    // Held beyond the bound: nothing typed, and the text goes to the clipboard
    // even when the clipboard is no output target.
    void modifiersHeldTooLongTypeNothing()
    {
        AppStateHarness harness;
        harness.modifierReleaseTimeout = std::chrono::seconds(1);
        AppState &appState = harness.start();
        appState.setOutputTargets({OutputTarget::autoInsert});
        harness.manager().setTranscriptionResult(QStringLiteral("never typed"));
        harness.probe->heldModifiers = {"Control", "Super"};
        harness.events().clear();
        OutputCapture output;
        appState.deliverTranscription();
        QTest::qWait(700);
        QCOMPARE(output.lines(), QStringList{checkTrue}); // still waiting
        QTRY_COMPARE_WITH_TIMEOUT(output.lines(), (QStringList{checkTrue, heldTooLong}), 3000);
        QCOMPARE(harness.eventsWithout({"transcript"}), (QStringList{"pasteboard clear", "pasteboard set never typed"}));

        // Released afterwards: the dropped typing does not come back.
        harness.probe->heldModifiers.clear();
        QTest::qWait(100);
        QCOMPARE(typedTexts(harness), QStringList{});
    }

    void startupTrustCheck_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("desktopAsks");
        QTest::addColumn<int>("alertResponse");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::addColumn<QStringList>("expectedEvents");
        const QString alert = QStringLiteral("alert Accessibility Permission Required");
        QTest::newRow("untrusted, open the settings")
            << R"(["autoInsert"])" << false << false << 1000 << QStringList{checkFalse}
            << QStringList{alert, "open " + accessibilityUrl};
        QTest::newRow("untrusted, cancel") << R"(["pasteboard","autoInsert"])" << false << false << 1001
                                           << QStringList{checkFalse} << QStringList{alert};
        // The desktop's own dialog is the request: no alert on top of it.
        QTest::newRow("untrusted, the desktop asks") << R"(["autoInsert"])" << false << true << 1000
                                                     << QStringList{checkFalse}
                                                     << QStringList{"desktop asks for trust"};
        QTest::newRow("trusted") << R"(["autoInsert"])" << true << false << 1000 << QStringList{checkTrue}
                                 << QStringList{};
        QTest::newRow("no auto insert") << R"(["pasteboard"])" << false << false << 1000 << QStringList{}
                                        << QStringList{};
    }

    // Untrusted with auto insert stored: checked at once, the alert about 1 s later.
    void startupTrustCheck()
    {
        QFETCH(QString, stored);
        QFETCH(bool, trusted);
        QFETCH(bool, desktopAsks);
        QFETCH(int, alertResponse);
        QFETCH(QStringList, expectedLog);
        QFETCH(QStringList, expectedEvents);
        storeOutputTargets(stored);
        AppStateHarness harness;
        harness.probe->trusted = trusted;
        harness.probe->desktopAsksForTrust = desktopAsks;
        harness.probe->alertResponse = alertResponse;
        OutputCapture output;
        harness.start();
        QCOMPARE(output.lines(), expectedLog);

        QTest::qWait(700);
        QCOMPARE(harness.events(), QStringList{});
        QTest::qWait(800);
        QCOMPARE(harness.events(), expectedEvents);
        QCOMPARE(output.lines(), expectedLog);
        if (!harness.probe->alerts.isEmpty()) {
            const AlertContent &alert = harness.probe->alerts.first();
            QCOMPARE(alert.messageText, QStringLiteral("Accessibility Permission Required"));
            QCOMPARE(alert.informativeText,
                     QStringLiteral("Sayline needs accessibility permission to insert text automatically. Please "
                                    "enable it in System Preferences > Security & Privacy > Privacy > Accessibility."));
            QCOMPARE(alert.buttonTitles, (QStringList{"Open System Preferences", "Cancel"}));
        }
    }

    void requestWhileTrustedShowsNothing()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        OutputCapture output;
        appState.requestAccessibilityPermission();
        QTest::qWait(50);
        QCOMPARE(harness.events(), QStringList{});
        QCOMPARE(output.lines(), QStringList{});

        harness.probe->trusted = false;
        appState.requestAccessibilityPermission();
        QCOMPARE(harness.events(), QStringList{}); // the alert waits for the next event-loop turn
        QTRY_COMPARE(harness.events(), QStringList{"alert Accessibility Permission Required"});
        QCOMPARE(output.lines(), QStringList{});
    }

    void recheckLogsHalfASecondLater()
    {
        AppStateHarness harness;
        AppState &appState = harness.start();
        OutputCapture output;
        appState.recheckAccessibilityPermission();
        QTest::qWait(300);
        QCOMPARE(output.lines(), QStringList{});
        QTRY_COMPARE_WITH_TIMEOUT(output.lines(), QStringList{checkTrue}, 1000);
    }
};

APP_STATE_TEST_MAIN(TestTextDelivery)
#include "test_text_delivery.moc"
