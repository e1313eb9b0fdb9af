// The GlobalShortcuts portal back end on a private session bus, against a fake
// portal service (fake_global_shortcuts_portal) that records the calls: the
// session and its preferred triggers, presses and releases reaching the named
// shortcuts' handlers, the desktop's trigger descriptions, a taken trigger.
#include "FakePlatform.h"
#include "OutputCapture.h"

#include <NamedShortcuts.h>
#include <PortalHotKeySystem.h>
#include <PortalTriggers.h>
#include <UserDefaults.h>

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace KeyboardShortcuts;

namespace {

const QList<PortalHotKeySystem::NamedShortcut> sayShortcuts{{QStringLiteral("toggleMainWindow"), QStringLiteral("Toggle Recording")},
                                                            {QStringLiteral("closeMainWindow"), QStringLiteral("Cancel")}};

const Shortcut controlCommandA(Key::a, ModifierFlags(ModifierFlag::control) | ModifierFlag::command);

// The fake portal as a child process: its calls as lines, commands on its input.
class FakePortal
{
public:
    explicit FakePortal(QStringList arguments = {})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QString::fromLocal8Bit(qgetenv("FAKE_PORTAL")), arguments);
    }
    ~FakePortal()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    bool waitForCall(const QString &prefix)
    {
        return QTest::qWaitFor([&] {
            m_process.waitForReadyRead(10);
            while (m_process.canReadLine())
                m_calls.append(QString::fromUtf8(m_process.readLine()).trimmed());
            return std::any_of(m_calls.cbegin(), m_calls.cend(), [&](const QString &c) { return c.startsWith(prefix); });
        }, 10000);
    }
    QString call(const QString &prefix) const
    {
        for (const QString &c : m_calls) {
            if (c.startsWith(prefix))
                return c;
        }
        return {};
    }
    void send(const QByteArray &command) { m_process.write(command + '\n'); }

private:
    QProcess m_process;
    QStringList m_calls;
};

} // namespace

class TestPortalHotKeys : public QObject
{
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QVERIFY(!qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty());
        KeyboardLayout::setShared(std::make_unique<FakeKeyboardLayout>());
    }

    // The stored combination in the portal's and people's words, and the
    // desktop's descriptions that do and do not name it.
    void triggers_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("portal");
        QTest::addColumn<QString>("readable");
        QTest::addColumn<QString>("described");
        QTest::addColumn<bool>("same");
        QTest::newRow("KDE's order") << controlCommandA << "CTRL+LOGO+a" << "Ctrl+Super+A" << "Meta+Ctrl+A" << true;
        QTest::newRow("GNOME's form") << controlCommandA << "CTRL+LOGO+a" << "Ctrl+Super+A" << "<Control><Super>a" << true;
        QTest::newRow("unbound") << controlCommandA << "CTRL+LOGO+a" << "Ctrl+Super+A" << "" << false;
        QTest::newRow("other key") << controlCommandA << "CTRL+LOGO+a" << "Ctrl+Super+A" << "Meta+Ctrl+B" << false;
        QTest::newRow("modifier missing") << controlCommandA << "CTRL+LOGO+a" << "Ctrl+Super+A" << "Ctrl+A" << false;
        QTest::newRow("Escape") << Shortcut(Key::escape) << "Escape" << "Esc" << "Esc" << true;
        QTest::newRow("shifted F5") << Shortcut(Key::f5, ModifierFlags(ModifierFlag::shift) | ModifierFlag::option)
                                    << "ALT+SHIFT+F5" << "Alt+Shift+F5" << "Shift+Alt+F5" << true;
        QTest::newRow("comma") << Shortcut(Key::comma, ModifierFlags(ModifierFlag::control)) << "CTRL+comma"
                               << "Ctrl+," << "Ctrl+Comma" << true;
    }
    void triggers()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(QString, portal);
        QFETCH(QString, readable);
        QFETCH(QString, described);
        QFETCH(bool, same);
        QCOMPARE(portalTrigger(shortcut).value_or(QString()), portal);
        QCOMPARE(readableTrigger(shortcut), readable);
        QCOMPARE(sameTrigger(described, portal), same);
    }

    // Through the whole subsystem: the named shortcuts register, the session
    // carries both with their preferred triggers, and the desktop's presses
    // reach the handlers of the right name as key down and key up.
    void namedShortcutsThroughThePortal()
    {
        FakePortal portal;
        QVERIFY(portal.waitForCall("ready"));
        auto owned = std::make_unique<PortalHotKeySystem>(sayShortcuts, QStringLiteral("sayline"));
        PortalHotKeySystem *system = owned.get();
        HotKeySystem::setShared(std::move(owned));

        const Name toggle(QStringLiteral("toggleMainWindow"), controlCommandA);
        const Name cancel(QStringLiteral("closeMainWindow"), Shortcut(Key::escape));
        QStringList events;
        onKeyDown(toggle, [&] { events << "toggle down"; });
        onKeyUp(toggle, [&] { events << "toggle up"; });
        onKeyUp(cancel, [&] { events << "cancel up"; });

        QVERIFY(portal.waitForCall("CreateSession"));
        QCOMPARE(portal.call("CreateSession"),
                 "CreateSession session_handle_token=sayline "
                 "shortcuts=toggleMainWindow[Toggle Recording](CTRL+LOGO+a),closeMainWindow[Cancel](Escape)");
        QTRY_COMPARE(system->triggerDescription("toggleMainWindow"), QStringLiteral("Ctrl+Meta+A"));
        QCOMPARE(system->triggerDescription("closeMainWindow"), QStringLiteral("Escape"));
        QCOMPARE(system->problem("toggleMainWindow"), QString());

        portal.send("activate toggleMainWindow");
        QTRY_COMPARE(events, QStringList({"toggle down"}));
        portal.send("deactivate toggleMainWindow");
        portal.send("activate closeMainWindow");
        portal.send("deactivate closeMainWindow");
        QTRY_COMPARE(events, QStringList({"toggle down", "toggle up", "cancel up"}));

        // Changed in the desktop: shown at once, and not a problem.
        QSignalSpy changed(system, &DesktopShortcutService::shortcutsChanged);
        portal.send("rebind toggleMainWindow Ctrl+Alt+D");
        QTRY_COMPARE(system->triggerDescription("toggleMainWindow"), QStringLiteral("Ctrl+Alt+D"));
        QVERIFY(changed.count() >= 1);
        QCOMPARE(system->problem("toggleMainWindow"), QString());

        // The settings' button asks the desktop with the same shortcuts.
        system->changeInDesktop();
        QVERIFY(portal.waitForCall("BindShortcuts"));
        QCOMPARE(portal.call("BindShortcuts"),
                 "BindShortcuts shortcuts=toggleMainWindow[Toggle Recording](CTRL+LOGO+a),closeMainWindow[Cancel](Escape)");

        // Shortcuts switched off: the desktop's presses reach nobody.
        setEnabled(false);
        portal.send("activate toggleMainWindow");
        portal.send("deactivate toggleMainWindow");
        QTest::qWait(300);
        QCOMPARE(events.size(), 3);
        setEnabled(true);
        removeAllHandlers();
    }

    // A desktop that keeps the asked trigger for itself answers with no trigger
    // or another one: said in the settings and once on standard error. Another
    // one after the same offer as last run is the user's choice in the desktop.
    void takenTriggerIsReported_data()
    {
        QTest::addColumn<QString>("offeredBefore"); // empty: never offered
        QTest::addColumn<QString>("described");
        QTest::addColumn<QString>("expected");
        const QString otherKeys = "Ctrl+Super+A is not what the desktop bound (Ctrl+Alt+D): choose another shortcut "
                                  "here, or change it in the desktop's shortcut settings";
        QTest::newRow("bound to nothing")
            << "" << "" << "Ctrl+Super+A is used by the desktop for another action: choose another shortcut here, or "
                           "free it in the desktop's shortcut settings";
        QTest::newRow("bound to other keys") << "" << "Ctrl+Alt+D" << otherKeys;
        QTest::newRow("chosen in the desktop") << "CTRL+LOGO+a" << "Ctrl+Alt+D" << "";
        QTest::newRow("changed here since") << "CTRL+LOGO+b" << "Ctrl+Alt+D" << otherKeys;
    }
    void takenTriggerIsReported()
    {
        QFETCH(QString, offeredBefore);
        QFETCH(QString, described);
        QFETCH(QString, expected);
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(QStringLiteral("KeyboardShortcuts_toggleMainWindow"), QString::fromUtf8(controlCommandA.toJson()));
        const QString offeredKey = QStringLiteral("DesktopShortcuts_offeredTrigger_toggleMainWindow");
        if (offeredBefore.isEmpty())
            defaults.remove(offeredKey);
        else
            defaults.setString(offeredKey, offeredBefore);
        FakePortal portal({"--describe", "toggleMainWindow=" + described});
        QVERIFY(portal.waitForCall("ready"));
        OutputCapture errors(STDERR_FILENO);
        PortalHotKeySystem system(sayShortcuts, QStringLiteral("taken"));
        QCOMPARE(system.registerHotKey(quint32(controlCommandA.carbonKeyCode),
                                       quint32(controlCommandA.carbonModifiers), 1),
                 HotKeySystem::noErr);
        QVERIFY(portal.waitForCall("ListShortcuts"));
        QTRY_COMPARE(system.triggerDescription("toggleMainWindow"), described);
        QTRY_COMPARE(system.problem("toggleMainWindow"), expected);
        QTest::qWait(200);
        QCOMPARE(system.problem("toggleMainWindow"), expected);
        QCOMPARE(system.problem("closeMainWindow"), QString());
        if (!expected.isEmpty())
            QCOMPARE(errors.text().count(expected), 1);
        // What was offered this time is remembered for the next.
        QCOMPARE(defaults.string(offeredKey), std::optional<QString>("CTRL+LOGO+a"));
    }
};

QTEST_GUILESS_MAIN(TestPortalHotKeys)
#include "tst_portalhotkeys.moc"
