// Named global shortcuts through the public API on a real X server: typed with
// xdotool, refused while another client holds the keys, shown on the current layout.

#include "KeyboardShortcuts.h"
#include "OutputCapture.h"
#include "X11TestSupport.h"

#include <QtTest>


using namespace KeyboardShortcuts;
using namespace X11TestSupport;

namespace {

const ModifierFlags controlCommand{ModifierFlag::control, ModifierFlag::command};


} // namespace

Q_DECLARE_METATYPE(KeyboardShortcuts::Key)

class TestX11Shortcuts : public QObject
{
    Q_OBJECT

private:
    QStringList m_events;

    void expectEvents(const QStringList &expected)
    {
        QTRY_COMPARE(m_events.size(), expected.size());
        QTest::qWait(300);
        QCOMPARE(m_events, expected);
        m_events.clear();
    }

private slots:
    void initTestCase()
    {
        const Name toggle(QStringLiteral("toggleMainWindow"), Shortcut(Key::a, controlCommand));
        onKeyDown(toggle, [this] { m_events << QStringLiteral("down"); });
        onKeyUp(toggle, [this] { m_events << QStringLiteral("up"); });
    }

    void init() { m_events.clear(); }

    void typedShortcutRunsKeyDownThenKeyUp_data()
    {
        QTest::addColumn<QStringList>("lockKeys");
        QTest::newRow("no lock") << QStringList{};
        QTest::newRow("Caps Lock on") << QStringList{"Caps_Lock"};
        QTest::newRow("Num Lock on") << QStringList{"Num_Lock"};
    }

    void typedShortcutRunsKeyDownThenKeyUp()
    {
        QFETCH(QStringList, lockKeys);
        for (const QString &lock : lockKeys)
            QVERIFY(xdotool({"key", lock}));
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectEvents({"down", "up"});
        for (const QString &lock : lockKeys)
            QVERIFY(xdotool({"key", lock}));
    }

    void heldShortcutRunsKeyUpOnce()
    {
        KeyPressCounter presses(xKeyCodeA);
        QVERIFY(xdotool({"keydown", "ctrl+super+a"}));
        QTRY_VERIFY_WITH_TIMEOUT(presses.presses() >= 4, 5000);
        QVERIFY(xdotool({"keyup", "a"}));
        QVERIFY(xdotool({"keyup", "ctrl+super"}));
        expectEvents({"down", "up"});
    }

    void modifiersLetGoFirstStillRunKeyUp()
    {
        QVERIFY(xdotool({"keydown", "ctrl+super+a"}));
        QVERIFY(xdotool({"keyup", "super"}));
        QVERIFY(xdotool({"keyup", "ctrl"}));
        QVERIFY(xdotool({"keyup", "a"}));
        expectEvents({"down", "up"});
    }

    void pausedShortcutRunsNothing()
    {
        setPaused(true);
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        QTest::qWait(300);
        setPaused(false);
        QCOMPARE(m_events, QStringList{});
    }

    void combinationHeldByAnotherClientFailsAndIsReserved()
    {
        const Shortcut controlCommandS(Key::s, controlCommand);
        GrabHolder holder;
        QCOMPARE(holder.start(39, controlSuperMask), QStringLiteral("grabbed")); // S: evdev 31
        QVERIFY(isSystemShortcut(controlCommandS));
        QVERIFY(!isSystemShortcut(Shortcut(Key::a, controlCommand))); // ours
        const QList<Shortcut> reserved = systemShortcuts();
        QVERIFY(reserved.contains(controlCommandS));
        QVERIFY(!reserved.contains(Shortcut(Key::a, controlCommand)));

        OutputCapture output;
        const Name record(QStringLiteral("record"), controlCommandS);
        onKeyUp(record, [this] { m_events << QStringLiteral("record up"); });
        QCOMPARE(output.text(), QStringLiteral("Error registering hotkey ⌃⌘S: 10\n"));
        // Our own shortcut survived the probes.
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectEvents({"down", "up"});
    }

    void descriptionFollowsTheLayout_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<Key>("key");
        QTest::addColumn<QString>("description");
        QTest::newRow("us Z") << "us" << Key::z << "⌃⌘Z";
        QTest::newRow("de Z position") << "de" << Key::z << "⌃⌘Y";
        QTest::newRow("de Y position") << "de" << Key::y << "⌃⌘Z";
        QTest::newRow("fr A position") << "fr" << Key::a << "⌃⌘Q";
        QTest::newRow("fr Q position") << "fr" << Key::q << "⌃⌘A";
        QTest::newRow("us again") << "us" << Key::a << "⌃⌘A";
    }

    void descriptionFollowsTheLayout()
    {
        QFETCH(QString, layout);
        QFETCH(Key, key);
        QFETCH(QString, description);
        QVERIFY(runTool("setxkbmap", {"-layout", layout}));
        QCOMPARE(Shortcut(key, controlCommand).description(), description);
        QCOMPARE(keyToCharacter(key.rawValue), std::optional<QString>(description.right(1).toLower()));
    }
};

QTEST_MAIN(TestX11Shortcuts)
#include "tst_x11shortcuts.moc"
