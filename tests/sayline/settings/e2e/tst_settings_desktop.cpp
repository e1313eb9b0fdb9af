// Sayline on a private X display with a tray host, driven like a user would:
// the tray item follows "Show in Menu Bar", the tray menu toggles dictation
// and opens the settings, the panel's gear opens them when there is no tray
// host, a shortcut recorded in the settings replaces the old global one, and
// the recorder gets Sayline's own shortcut keys while it records.
#include "DesktopProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace DesktopProbe;

namespace {

const QString sayline = QStringLiteral("sayline");

bool isTrayIcon(const TopWindow &w) { return w.frame.width() > 4 && w.frame.width() <= 48 && w.frame.height() <= 48; }
bool isSettingsWindow(const TopWindow &w) { return w.frame.width() >= 560 && w.frame.height() >= 380; }
bool isPanel(const TopWindow &w)
{
    return w.frame.width() >= 200 && w.frame.height() >= 60 && w.frame.height() < 380;
}

std::optional<TopWindow> trayIcon() { return findWindow(sayline, isTrayIcon); }
std::optional<TopWindow> settingsWindow() { return findWindow(sayline, isSettingsWindow); }
std::optional<TopWindow> panel() { return findWindow(sayline, isPanel); }

// Points of the settings window's layout, from its top-left corner.
const QPoint interfaceRow(60, 93);
const QPoint aboutRow(60, 183);
const QPoint voiceRow(60, 123);
const QPoint generalRow(60, 63);
const QPoint firstSwitch(659, 117);     // Interface: "Show in Menu Bar"; General: the login toggle
const QPoint keepRecentDictationsSwitch(659, 281); // Interface
const QPoint toggleRecordingField(600, 361);
const QPoint cancelField(600, 397);
// The panel's gear, from the panel's left and bottom edges.
const int gearFromLeft = 19;
const int gearFromBottom = 17;

QString artifact(const QString &name)
{
    QDir().mkpath(QStringLiteral(SAYLINE_TEST_ARTIFACTS));
    return QStringLiteral(SAYLINE_TEST_ARTIFACTS "/") + name;
}

QString defaultsPath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Sayline/defaults.json");
}

QString historyPath()
{
    return QDir::homePath() + QStringLiteral("/.local/share/Sayline/history.json");
}

QJsonObject storedDefaults()
{
    QFile file(defaultsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString describeWindows()
{
    QStringList lines;
    for (const TopWindow &w : windowsOfClass(sayline))
        lines << QStringLiteral("%1 %2 %3x%4+%5+%6 %7").arg(w.id, w.name).arg(w.frame.width()).arg(w.frame.height())
                     .arg(w.frame.x()).arg(w.frame.y()).arg(w.viewable ? "viewable" : "hidden");
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class SettingsDesktopTest : public QObject
{
    Q_OBJECT

private:
    QProcess trayHost;
    QProcess app;

    void startSayline()
    {
        app.setProgram(QStringLiteral(SAYLINE_EXECUTABLE));
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        output.clear();
        app.start();
        QVERIFY(app.waitForStarted());
        QVERIFY2(waitFor([] { return panel().has_value(); }, 20000), "the panel did not come up at launch");
        QVERIFY2(waitFor([this] { return listeningStarts() == 1; }), "Sayline did not start listening at launch");
    }
    void stopSayline()
    {
        app.terminate();
        if (!app.waitForFinished(5000)) {
            app.kill();
            app.waitForFinished();
        }
    }
    QString output;
    // How often Sayline has started listening since it was launched.
    int listeningStarts()
    {
        output += QString::fromUtf8(app.readAllStandardOutput());
        return output.count(QStringLiteral("Start microphone transcription"));
    }
    // Opens the tray menu with a click and picks the item `downs` rows down.
    void chooseFromTrayMenu(int downs)
    {
        const auto icon = trayIcon();
        QVERIFY(icon);
        click(icon->frame.center());
        QTest::qWait(600);
        for (int i = 0; i < downs; ++i)
            key(QStringLiteral("Down"));
        key(QStringLiteral("Return"));
    }
    QPoint inSettings(QPoint point)
    {
        const auto window = settingsWindow();
        return window ? window->frame.topLeft() + point : point;
    }

private slots:
    void initTestCase()
    {
        trayHost.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                                  "120", "--height", "28", "--transparent", "false"});
        QVERIFY(trayHost.waitForStarted());
        QTest::qWait(800);
        QVERIFY(QDir().mkpath(QFileInfo(historyPath()).absolutePath()));
        QFile history(historyPath());
        QVERIFY(history.open(QIODevice::WriteOnly));
        history.write(R"({"dictations": [{"text": "an earlier dictation", "time": "2026-01-01T00:00:00Z"}]})");
        history.close();
        startSayline();
    }

    void cleanupTestCase()
    {
        stopSayline();
        trayHost.terminate();
        trayHost.waitForFinished(3000);
    }

    void trayItemAppearsInTheTray()
    {
        QVERIFY2(waitFor([] { return trayIcon().has_value(); }), "no Sayline item docked in the tray");
        QVERIFY(trayIcon()->frame.top() < 28); // inside trayer's strip at the top
    }

    void startStopRecordingTogglesDictation()
    {
        const int before = listeningStarts();
        chooseFromTrayMenu(1);
        QVERIFY2(waitFor([] { return !panel(); }), "Start/Stop Recording did not end the dictation");
        chooseFromTrayMenu(1);
        QVERIFY2(waitFor([] { return panel().has_value(); }), "Start/Stop Recording did not show the panel");
        QVERIFY(waitFor([&] { return listeningStarts() > before; }));
        QTest::qWait(300);
        QCOMPARE(listeningStarts(), before + 1);
    }

    void settingsOpenFromTheTrayMenu()
    {
        chooseFromTrayMenu(2);
        QVERIFY2(waitFor([] { return settingsWindow().has_value(); }), "Settings did not open the settings window");
        QTest::qWait(500);
        const TopWindow window = *settingsWindow();
        QVERIFY(screenshot(window.frame, artifact(QStringLiteral("settings-general.png"))));
        for (const auto &[row, page] : {std::pair{voiceRow, "voice"}, {aboutRow, "about"}, {interfaceRow, "interface"}}) {
            click(inSettings(row));
            QTest::qWait(400);
            QVERIFY(screenshot(window.frame, artifact(QStringLiteral("settings-%1.png").arg(QLatin1String(page)))));
        }
    }

    void trayItemFollowsShowInMenuBar()
    {
        // The Interface page is showing; its first switch is "Show in Menu Bar".
        click(inSettings(firstSwitch));
        QVERIFY2(waitFor([] { return !trayIcon(); }), "the tray item stayed after switching Show in Menu Bar off");
        QCOMPARE(storedDefaults().value(QStringLiteral("showInMenuBar")), QJsonValue(false));
        click(inSettings(firstSwitch));
        QVERIFY2(waitFor([] { return trayIcon().has_value(); }), "the tray item did not come back");
        QCOMPARE(storedDefaults().value(QStringLiteral("showInMenuBar")), QJsonValue(true));
    }

    // The Interface page is showing: switching "Keep recent dictations" off
    // deletes the history file at once.
    void keepRecentDictationsOffDeletesTheHistory()
    {
        QVERIFY(QFile::exists(historyPath()));
        click(inSettings(keepRecentDictationsSwitch));
        QVERIFY2(waitFor([] { return !QFile::exists(historyPath()); }), "the history file is still there");
        QCOMPARE(storedDefaults().value(QStringLiteral("keepRecentDictations")), QJsonValue(false));
    }

    void recordedShortcutReplacesTheOldOne()
    {
        click(inSettings(generalRow));
        QTest::qWait(400);
        click(inSettings(toggleRecordingField));
        QTest::qWait(300);
        key(QStringLiteral("ctrl+alt+k"));
        const QString storedKey = QStringLiteral("KeyboardShortcuts_toggleMainWindow");
        QVERIFY2(waitFor([&] {
                     const QJsonObject stored =
                         QJsonDocument::fromJson(storedDefaults().value(storedKey).toString().toUtf8()).object();
                     return stored.value(QStringLiteral("carbonKeyCode")).toInt() == 40
                         && stored.value(QStringLiteral("carbonModifiers")).toInt() == 0x1800;
                 }),
                 "the recorder did not store Control-Option-K");
        QVERIFY(screenshot(settingsWindow()->frame, artifact(QStringLiteral("settings-general-recorded.png"))));

        QVERIFY(panel());
        key(QStringLiteral("ctrl+super+a"));
        QTest::qWait(1000);
        QVERIFY2(panel().has_value(), "the old shortcut still toggles dictation");
        key(QStringLiteral("ctrl+alt+k"));
        QVERIFY2(waitFor([] { return !panel(); }), "the new shortcut does not end dictation");
        key(QStringLiteral("ctrl+alt+k"));
        QVERIFY2(waitFor([] { return panel().has_value(); }), "the new shortcut does not start dictation");
    }

    void menuCombinationIsRefusedWithAnAlert()
    {
        const auto settings = settingsWindow();
        QVERIFY(settings);
        const QString storedBefore = storedDefaults().value(QStringLiteral("KeyboardShortcuts_toggleMainWindow")).toString();
        click(inSettings(toggleRecordingField));
        QTest::qWait(300);
        QStringList before;
        for (const TopWindow &w : windowsOfClass(sayline))
            before << w.id;
        key(QStringLiteral("ctrl+q")); // the tray menu's "Quit Sayline"
        std::optional<TopWindow> alert;
        QVERIFY2(waitFor([&] {
                     for (const TopWindow &w : windowsOfClass(sayline)) {
                         if (w.viewable && !before.contains(w.id))
                             alert = w;
                     }
                     return alert.has_value();
                 }) || (qWarning() << describeWindows(), false),
                 "no alert for a combination of the tray menu");
        QTest::qWait(300);
        QVERIFY(screenshot(alert->frame, artifact(QStringLiteral("recorder-menu-alert.png"))));
        key(QStringLiteral("Return"));
        QVERIFY(waitFor([&] {
            for (const TopWindow &w : windowsOfClass(sayline)) {
                if (w.id == alert->id && w.viewable)
                    return false;
            }
            return true;
        }));
        QVERIFY(app.state() == QProcess::Running); // Control-Q did not quit
        QCOMPARE(storedDefaults().value(QStringLiteral("KeyboardShortcuts_toggleMainWindow")).toString(), storedBefore);
        key(QStringLiteral("Escape")); // the field records again after the alert
    }

    // No tray host at all (GNOME without an extension), "Show in Menu Bar" on:
    // the panel offers its gear, the one way to the settings.
    void panelShowsTheGearWithoutTrayHost()
    {
        stopSayline();
        trayHost.terminate();
        QVERIFY(trayHost.waitForFinished(3000));
        QCOMPARE(storedDefaults().value(QStringLiteral("showInMenuBar")), QJsonValue(true));

        startSayline();
        QTest::qWait(1500);
        QVERIFY2(!trayIcon(), "a tray item without a tray host");
        QVERIFY(!settingsWindow());
        const TopWindow shown = *panel();
        QVERIFY(screenshot(shown.frame.adjusted(-20, -20, 20, 20), artifact(QStringLiteral("panel-with-gear.png"))));
    }

    void gearOpensTheSettings()
    {
        const auto shown = panel();
        QVERIFY(shown);
        QVERIFY(!settingsWindow());
        // The gear sits at the bar's left end.
        click(QPoint(shown->frame.left() + gearFromLeft, shown->frame.top() + shown->frame.height() - gearFromBottom));
        QVERIFY2(waitFor([] { return settingsWindow().has_value(); }) || (qWarning() << describeWindows(), false),
                 "the panel's gear did not open the settings window");
        QVERIFY2(app.state() == QProcess::Running, "Sayline quit on the gear");
        QTest::qWait(500);
    }

    // While a recorder records, Sayline's own shortcuts are no grabs: Escape
    // reaches the field and ends recording instead of cancelling the dictation.
    void escapeEndsRecording()
    {
        const QString storedKey = QStringLiteral("KeyboardShortcuts_closeMainWindow");
        const QJsonValue before = storedDefaults().value(storedKey);
        click(inSettings(cancelField));
        QTest::qWait(300);
        QVERIFY(screenshot(settingsWindow()->frame, artifact(QStringLiteral("recorder-recording.png"))));
        key(QStringLiteral("Escape"));
        QTest::qWait(500);
        QVERIFY2(panel().has_value(), "Escape went to the global shortcut, not to the recorder");
        key(QStringLiteral("ctrl+alt+j")); // recorded only if Escape left the field recording
        QTest::qWait(500);
        QCOMPARE(storedDefaults().value(storedKey), before);
        // The grab is back once recording ended.
        key(QStringLiteral("Escape"));
        QVERIFY2(waitFor([] { return !panel(); }), "Escape no longer cancels after recording");
    }

    // Cleared with Backspace, "Toggle Recording" takes Ctrl+Super+A again: the
    // tray menu's mirror of that very shortcut is no conflict.
    void clearedToggleShortcutIsRecordedAgain()
    {
        const QString storedKey = QStringLiteral("KeyboardShortcuts_toggleMainWindow");
        click(inSettings(toggleRecordingField));
        QTest::qWait(300);
        key(QStringLiteral("BackSpace"));
        QVERIFY2(waitFor([&] { return !storedDefaults().value(storedKey).isString(); }),
                 "Backspace did not clear the shortcut");
        QStringList before;
        for (const TopWindow &w : windowsOfClass(sayline))
            before << w.id;
        key(QStringLiteral("ctrl+super+a")); // still recording after the clear
        QVERIFY2(waitFor([&] {
                     const QJsonObject stored =
                         QJsonDocument::fromJson(storedDefaults().value(storedKey).toString().toUtf8()).object();
                     return stored.value(QStringLiteral("carbonKeyCode")).toInt() == 0
                         && stored.value(QStringLiteral("carbonModifiers")).toInt() == 0x1100;
                 }) || (qWarning() << describeWindows(), false),
                 "Ctrl+Super+A was not recorded again");
        for (const TopWindow &w : windowsOfClass(sayline))
            QVERIFY2(!w.viewable || before.contains(w.id), "an alert came up");
        QVERIFY(!panel());
        key(QStringLiteral("ctrl+super+a"));
        QVERIFY2(waitFor([] { return panel().has_value(); }), "the recorded shortcut does not start dictation");
    }
};

QTEST_GUILESS_MAIN(SettingsDesktopTest)
#include "tst_settings_desktop.moc"
