// The X11 hot-key adapter against a real X server: grabs made through Qt's xcb
// connection, key events typed with xdotool (XTEST), another client's grab.
// How presses, repeats and releases reach a handler: tst_x11shortcuts.

#include "X11HotKeys.h"
#include "X11TestSupport.h"

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
        m_hotKeys = X11HotKeys::forApplication();
        QVERIFY(m_hotKeys);
        m_hotKeys->setDelivery([this](quint32 id, bool pressed) { m_deliveries.append({id, pressed}); });
    }

    void cleanup() { delete m_hotKeys; }

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

    // Other combinations, a probe of our own grab and a refused second
    // registration of it leave exactly our one press and release.
    void onlyOurCombinationFires()
    {
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId), hotKeyRegistered);
        QCOMPARE(m_hotKeys->heldElsewhere({{carbonA, controlCommand}}), std::vector<bool>{false});
        QCOMPARE(m_hotKeys->registerHotKey(carbonA, controlCommand, hotKeyId + 1), hotKeyTaken);
        m_hotKeys->unregisterHotKey(hotKeyId + 1);
        QVERIFY(xdotool({"key", "ctrl+a", "super+a", "ctrl+super+shift+a", "ctrl+super+s", "ctrl+super+a"}));
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
