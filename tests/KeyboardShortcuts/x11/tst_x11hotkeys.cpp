// The X11 hot-key adapter against a real X server: grabs made through Qt's xcb
// connection, key events typed with xdotool (XTEST), another client's grab.

#include "X11HotKeys.h"
#include "X11TestSupport.h"
#include "XcbHandles.h"
#include "XcbXkb.h"

#include <QtTest>

using namespace KeyboardShortcuts::X11;
using namespace X11TestSupport;

namespace {

constexpr int carbonA = 0;
constexpr int carbonFunctionKey = 63;
constexpr int controlCommand = 0x1000 | 0x100;
constexpr int functionModifier = 0x20000;
constexpr quint32 hotKeyId = 7;

struct Delivery {
    quint32 id;
    bool pressed;
    friend bool operator==(const Delivery &, const Delivery &) = default;
};

const QList<Delivery> downThenUp{{hotKeyId, true}, {hotKeyId, false}};

// Switches how the server repeats held keys for Qt's connection; true when it took.
bool setDetectableAutoRepeat(bool detectable)
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    XcbOwned<xcb_xkb_per_client_flags_reply_t> reply(xcb_xkb_per_client_flags_reply(
        connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, detectable ? flag : 0, 0, 0, 0),
        nullptr));
    return reply && bool(reply->value & flag) == detectable;
}

} // namespace

namespace QTest {
template <>
char *toString(const Delivery &delivery)
{
    return qstrdup(QByteArray::number(delivery.id) + (delivery.pressed ? " down" : " up"));
}
} // namespace QTest

class TestX11HotKeys : public QObject
{
    Q_OBJECT

private:
    QPointer<X11HotKeys> m_hotKeys;
    QList<Delivery> m_deliveries;

    void makeHotKeys()
    {
        m_hotKeys = X11HotKeys::forApplication();
        QVERIFY(m_hotKeys);
        m_hotKeys->setDelivery([this](quint32 id, bool pressed) { m_deliveries.append({id, pressed}); });
    }

    // Waits for the expected deliveries, then a little longer for any extra one.
    void expectDeliveries(const QList<Delivery> &expected)
    {
        QTRY_COMPARE(m_deliveries.size(), expected.size());
        QTest::qWait(300);
        QCOMPARE(m_deliveries, expected);
    }

private slots:
    void init()
    {
        m_deliveries.clear();
        makeHotKeys();
    }

    void cleanup() { delete m_hotKeys; }

    void pressAndReleaseFireOnceEach_data()
    {
        QTest::addColumn<QStringList>("lockKeys");
        QTest::newRow("no lock") << QStringList{};
        QTest::newRow("Caps Lock on") << QStringList{"Caps_Lock"};
        QTest::newRow("Num Lock on") << QStringList{"Num_Lock"};
        QTest::newRow("both locks on") << QStringList{"Caps_Lock", "Num_Lock"};
    }

    void pressAndReleaseFireOnceEach()
    {
        QFETCH(QStringList, lockKeys);
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        for (const QString &lock : lockKeys)
            QVERIFY(xdotool({"key", lock}));
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectDeliveries(downThenUp);
        for (const QString &lock : lockKeys)
            QVERIFY(xdotool({"key", lock}));
    }

    void otherCombinationsDoNotFire()
    {
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        QVERIFY(xdotool({"key", "ctrl+a", "super+a", "ctrl+super+shift+a", "ctrl+super+s"}));
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectDeliveries(downThenUp);
    }

    void heldKeyGivesOneKeyUp_data()
    {
        QTest::addColumn<bool>("detectable");
        QTest::newRow("release and press pairs") << false;
        QTest::newRow("XKB detectable auto-repeat") << true;
    }

    void heldKeyGivesOneKeyUp()
    {
        QFETCH(bool, detectable);
        QVERIFY(setDetectableAutoRepeat(detectable));
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        KeyPressCounter presses(xKeyCodeA);
        QVERIFY(xdotool({"keydown", "ctrl+super+a"}));
        // Past the server's auto-repeat delay (660 ms), so that repeats arrive.
        QTRY_VERIFY_WITH_TIMEOUT(presses.presses() >= 4, 5000);
        QVERIFY(xdotool({"keyup", "a"}));
        QVERIFY(xdotool({"keyup", "ctrl+super"}));
        expectDeliveries(downThenUp);
        QVERIFY(setDetectableAutoRepeat(false));
    }

    void modifiersReleasedBeforeTheKeyStillGiveKeyUp()
    {
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        QVERIFY(xdotool({"keydown", "ctrl+super+a"}));
        QVERIFY(xdotool({"keyup", "ctrl"}));
        QVERIFY(xdotool({"keyup", "super"}));
        QVERIFY(xdotool({"keyup", "a"}));
        expectDeliveries(downThenUp);
    }

    void combinationHeldByAnotherClientIsRefused()
    {
        GrabHolder holder;
        QCOMPARE(holder.start(xKeyCodeA, controlSuperMask), QStringLiteral("grabbed"));
        QCOMPARE(m_hotKeys->heldElsewhere({{carbonA, controlCommand}, {carbonA, 0x1000}}),
                 (std::vector<bool>{true, false}));
        // Many candidates are probed in chunks; the held one comes last.
        std::vector<std::pair<int, int>> candidates;
        for (int keyCode = 1; keyCode < 40; ++keyCode)
            candidates.emplace_back(keyCode, controlCommand);
        candidates.emplace_back(carbonA, controlCommand);
        std::vector<bool> expected(candidates.size(), false);
        expected.back() = true;
        QCOMPARE(m_hotKeys->heldElsewhere(candidates), expected);
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyTaken);
        // The lock states that were grabbed before the refusal were released again.
        GrabHolder capsLockHolder;
        QCOMPARE(capsLockHolder.start(xKeyCodeA, controlSuperMask | 0x2), QStringLiteral("grabbed"));
    }

    void unregisterReleasesTheGrab()
    {
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        {
            GrabHolder holder;
            QCOMPARE(holder.start(xKeyCodeA, controlSuperMask), QStringLiteral("refused 10"));
        }
        m_hotKeys->unregisterHotKey(hotKeyId);
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        GrabHolder holder;
        QCOMPARE(holder.start(xKeyCodeA, controlSuperMask), QStringLiteral("grabbed"));
        QCOMPARE(m_deliveries, QList<Delivery>{});
    }

    void probingOurOwnGrabKeepsIt()
    {
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        QCOMPARE(m_hotKeys->heldElsewhere({{carbonA, controlCommand}}), std::vector<bool>{false});
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectDeliveries(downThenUp);
    }

    void sameCombinationTwiceIsRefused()
    {
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId + 1), hotKeyTaken);
        m_hotKeys->unregisterHotKey(hotKeyId + 1);
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectDeliveries(downThenUp);
    }

    void ungrabbableCombinationsFailClearly_data()
    {
        QTest::addColumn<int>("carbonKeyCode");
        QTest::addColumn<int>("carbonModifiers");
        QTest::newRow("function modifier") << carbonA << (controlCommand | functionModifier);
        QTest::newRow("function key (no 8-bit X key code)") << carbonFunctionKey << controlCommand;
        QTest::newRow("unknown key code") << 52 << controlCommand;
    }

    void ungrabbableCombinationsFailClearly()
    {
        QFETCH(int, carbonKeyCode);
        QFETCH(int, carbonModifiers);
        QCOMPARE(m_hotKeys->registerHotKey(carbonKeyCode, carbonModifiers, hotKeyId), hotKeyUnmappable);
        QCOMPARE(m_hotKeys->heldElsewhere({{carbonKeyCode, carbonModifiers}}), std::vector<bool>{false});
    }
};

QTEST_MAIN(TestX11HotKeys)
#include "tst_x11hotkeys.moc"
