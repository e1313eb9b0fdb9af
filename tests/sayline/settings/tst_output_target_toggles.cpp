#include "AppStateHarness.h"
#include "OutputCapture.h"

#include <OutputTargetToggles.h>
#include <UserDefaults.h>

#include <QSignalSpy>

namespace {
const QString outputTargetsKey = QStringLiteral("outputTargets");
const OutputTarget pasteboard = OutputTarget::pasteboard;
const OutputTarget autoInsert = OutputTarget::autoInsert;
} // namespace

class OutputTargetTogglesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppStateHarness> harness;

    UserDefaults &defaults() { return UserDefaults::standard(); }
    AppState &start(const QString &stored, bool trusted)
    {
        defaults().setString(outputTargetsKey, stored);
        harness->probe->trusted = trusted;
        return harness->start();
    }
    QString storedTargets() { return defaults().string(outputTargetsKey).value_or(QStringLiteral("<absent>")); }

private slots:
    void init() { harness = std::make_unique<AppStateHarness>(); }
    void cleanup() { harness.reset(); }

    void switchingTargets_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("last target off saves []") << R"(["pasteboard"])" << int(pasteboard) << false << "[]" << QStringList{};
        QTest::newRow("already on only re-saves") << R"(["pasteboard"])" << int(pasteboard) << true
                                                  << R"(["pasteboard"])" << QStringList{"pasteboard"};
        QTest::newRow("on appends at the end") << R"(["autoInsert"])" << int(pasteboard) << true
                                               << R"(["autoInsert","pasteboard"])" << QStringList{"autoInsert", "pasteboard"};
        QTest::newRow("off keeps the others in order") << R"(["autoInsert","pasteboard"])" << int(autoInsert) << false
                                                       << R"(["pasteboard"])" << QStringList{"pasteboard"};
        QTest::newRow("auto insert on while trusted") << R"(["pasteboard"])" << int(autoInsert) << true
                                                      << R"(["pasteboard","autoInsert"])" << QStringList{"pasteboard", "autoInsert"};
    }
    void switchingTargets()
    {
        QFETCH(QString, stored);
        QFETCH(int, target);
        QFETCH(bool, on);
        QFETCH(QString, saved);
        QFETCH(QStringList, shown);
        AppState &appState = start(stored, true);
        OutputTargetToggles toggles(appState, defaults());
        toggles.setOn(OutputTarget(target), on);
        QCOMPARE(storedTargets(), saved);
        QCOMPARE(toggles.targets(), shown);
        QCOMPARE(appState.outputTargetValues(), shown);
    }

    void autoInsertRefusedWhileUntrusted()
    {
        AppState &appState = start(R"(["pasteboard"])", false);
        QCoreApplication::processEvents(); // the start-up check's alert, if any
        harness->events().clear();
        OutputTargetToggles toggles(appState, defaults());
        QVERIFY(!toggles.accessibilityTrusted());
        QVERIFY(!toggles.isSwitchEnabled(autoInsert));
        QVERIFY(toggles.isSwitchEnabled(pasteboard));
        toggles.setOn(autoInsert, true);
        QCOMPARE(appState.outputTargets(), (QList<OutputTarget>{pasteboard}));
        QCOMPARE(storedTargets(), QStringLiteral(R"(["pasteboard"])"));
        // The request leads to the application's alert one turn later.
        QTRY_VERIFY(!harness->probe->alerts.isEmpty());
    }

    void storedAutoInsertShownWhileUntrusted()
    {
        AppState &appState = start(R"(["autoInsert"])", false);
        OutputTargetToggles toggles(appState, defaults());
        QVERIFY(toggles.isOn(autoInsert));
        QVERIFY(!toggles.isSwitchEnabled(autoInsert));
        // It can still be switched off.
        toggles.setOn(autoInsert, false);
        QCOMPARE(storedTargets(), QStringLiteral("[]"));
    }

    void trustFollowsRecheckAndALaterAnswer_data()
    {
        QTest::addColumn<bool>("request"); // false: Refresh after the grant; true: asked, answered later
        QTest::newRow("recheck") << false;
        QTest::newRow("the desktop's dialog answered later") << true;
    }

    void trustFollowsRecheckAndALaterAnswer()
    {
        QFETCH(bool, request);
        AppState &appState = start(R"(["autoInsert"])", false);
        OutputTargetToggles toggles(appState, defaults());
        QSignalSpy trustChanged(&toggles, &OutputTargetToggles::accessibilityTrustedChanged);
        if (request) {
            toggles.requestAccessibilityPermission();
            QTest::qWait(700); // still unanswered: the row keeps watching
            harness->probe->trusted = true;
        } else {
            harness->probe->trusted = true;
            toggles.recheckAccessibilityPermission();
        }
        QTRY_VERIFY(toggles.accessibilityTrusted());
        QCOMPARE(trustChanged.count(), 1);
        QVERIFY(toggles.isSwitchEnabled(autoInsert));
    }

    void encodingFailureWritesNothing()
    {
        AppState &appState = start(R"(["pasteboard","autoInsert"])", true);
        OutputTargetToggles toggles(appState, defaults(), [](const QList<OutputTarget> &) {
            return OutputTargetToggles::EncodeResult{std::nullopt, QStringLiteral("the encoder refused")};
        });
        OutputCapture output;
        toggles.setOn(autoInsert, false);
        const QStringList saveLines = output.lines().filter(QStringLiteral("output targets"));
        QCOMPARE(saveLines, QStringList{QStringLiteral("Failed to save output targets: the encoder refused")});
        QCOMPARE(storedTargets(), QStringLiteral(R"(["pasteboard","autoInsert"])"));
    }
};

APP_STATE_TEST_MAIN(OutputTargetTogglesTest)
#include "tst_output_target_toggles.moc"
