// Named global shortcuts through the public API on a real X server: typed with
// xdotool, held until the server repeats them, refused while another client
// holds the keys, shown on the current layout (its Latin group, if it has one).

#include "KeyboardShortcuts.h"
#include "OutputCapture.h"
#include "X11TestSupport.h"
#include "XcbHandles.h"
#include "XcbXkb.h"

#include <QtTest>

using namespace KeyboardShortcuts;
using namespace X11TestSupport;

namespace {

const ModifierFlags controlCommand{ModifierFlag::control, ModifierFlag::command};

xcb_connection_t *qtConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Switches how the server repeats held keys for Qt's connection; true when it took.
bool setDetectableAutoRepeat(bool detectable)
{
    const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    X11::XcbOwned<xcb_xkb_per_client_flags_reply_t> reply(xcb_xkb_per_client_flags_reply(
        qtConnection(),
        xcb_xkb_per_client_flags(qtConnection(), XCB_XKB_ID_USE_CORE_KBD, flag, detectable ? flag : 0, 0, 0, 0),
        nullptr));
    return reply && bool(reply->value & flag) == detectable;
}

// Counts the presses of one X key code that reach this client; installed last,
// it sees them before the filter under test can consume them.
class KeyPressCounter : public QAbstractNativeEventFilter
{
public:
    explicit KeyPressCounter(std::uint8_t xKeyCode) : m_keyCode(xKeyCode) { qApp->installNativeEventFilter(this); }
    ~KeyPressCounter() override { qApp->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_key_press_event_t *>(message);
        if (eventType == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_KEY_PRESS
            && event->detail == m_keyCode)
            ++presses;
        return false;
    }
    int presses = 0;

private:
    std::uint8_t m_keyCode;
};

// Locks the keyboard to a layout group, as a layout switcher does; true when it took.
bool lockGroup(std::uint8_t group)
{
    xcb_connection_t *connection = qtConnection();
    xcb_xkb_latch_lock_state(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
    X11::XcbOwned<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(connection, xcb_xkb_get_state(connection, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    return state && state->lockedGroup == group;
}

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
        QTest::newRow("both locks on") << QStringList{"Caps_Lock", "Num_Lock"};
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

    void oneKeyUpHoweverTheKeyIsLetGo_data()
    {
        QTest::addColumn<bool>("detectable");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QStringList>("releases"); // in order, each one xdotool keyup
        QTest::newRow("held: release/press pairs") << false << true << QStringList{"a", "ctrl+super"};
        QTest::newRow("held: XKB detectable auto-repeat") << true << true << QStringList{"a", "ctrl+super"};
        QTest::newRow("modifiers let go first") << false << false << QStringList{"super", "ctrl", "a"};
    }

    void oneKeyUpHoweverTheKeyIsLetGo()
    {
        QFETCH(bool, detectable);
        QFETCH(bool, held);
        QFETCH(QStringList, releases);
        QVERIFY(setDetectableAutoRepeat(detectable));
        KeyPressCounter counter(xKeyCodeA);
        QVERIFY(xdotool({"keydown", "ctrl+super+a"}));
        if (held) // past the server's auto-repeat delay (660 ms), so that repeats arrive
            QTRY_VERIFY_WITH_TIMEOUT(counter.presses >= 4, 5000);
        for (const QString &keys : releases)
            QVERIFY(xdotool({"keyup", keys}));
        expectEvents({"down", "up"});
        QVERIFY(setDetectableAutoRepeat(false));
    }

    // Paused (a recorder records): nothing runs, and the grab is let go so that
    // the keys reach the focused window; resuming grabs them again.
    void pausedShortcutRunsNothingAndLetsItsKeysThrough()
    {
        setPaused(true);
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        QTest::qWait(300);
        QCOMPARE(m_events, QStringList{});
        {
            GrabHolder holder;
            QCOMPARE(holder.start(xKeyCodeA, controlSuperMask), QStringLiteral("grabbed"));
        }
        setPaused(false);
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectEvents({"down", "up"});
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

    // Each row switches the layout. Keys are named after the first group that
    // types Latin letters when the active one does not (a Russian layout beside
    // a Latin one), in the text and in the menu key equivalent alike.
    void descriptionFollowsTheLayout_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("lockedGroup"); // -1: as setxkbmap leaves it
        QTest::addColumn<Key>("key");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("menuKeyEquivalent");
        QTest::newRow("de Z position") << "de" << -1 << Key::z << "⌃⌘Y" << "y";
        QTest::newRow("ru,us: the us group") << "ru,us" << -1 << Key::a << "⌃⌘A" << "a";
        QTest::newRow("fr A position") << "fr" << -1 << Key::a << "⌃⌘Q" << "q";
        QTest::newRow("ru alone: no Latin group") << "ru" << -1 << Key::a << "⌃⌘Ф" << "ф";
        QTest::newRow("us,ru with ru locked: the us group") << "us,ru" << 1 << Key::a << "⌃⌘A" << "a";
        QTest::newRow("de,ru with ru locked: the de group") << "de,ru" << 1 << Key::z << "⌃⌘Y" << "y";
        QTest::newRow("back to us") << "us" << -1 << Key::a << "⌃⌘A" << "a";
    }

    void descriptionFollowsTheLayout()
    {
        QFETCH(QString, layout);
        QFETCH(int, lockedGroup);
        QFETCH(Key, key);
        QFETCH(QString, description);
        QFETCH(QString, menuKeyEquivalent);
        QVERIFY(runTool("setxkbmap", {"-layout", layout}));
        if (lockedGroup >= 0)
            QVERIFY(lockGroup(std::uint8_t(lockedGroup)));
        QCOMPARE(Shortcut(key, controlCommand).description(), description);
        QCOMPARE(Shortcut(key, controlCommand).nsMenuItemKeyEquivalent(), std::optional<QString>(menuKeyEquivalent));
    }
};

QTEST_MAIN(TestX11Shortcuts)
#include "tst_x11shortcuts.moc"
