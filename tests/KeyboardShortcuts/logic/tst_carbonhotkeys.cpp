// Hot-key registration on a fake hot-key system: ids, the error line, the
// master switch, the menu fallback and the probe of combinations held elsewhere.
#include "FakePlatform.h"

#include <KeyboardShortcuts.h>
#include <NotificationCenter.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>

using namespace KeyboardShortcuts;
using CKS = CarbonKeyboardShortcuts;

namespace {

const Shortcut controlCommandA(Key::a, {ModifierFlag::control, ModifierFlag::command});
const Shortcut optionX(Key::x, ModifierFlag::option);
constexpr HotKeySystem::Status badAccess = 10;

// X keycodes (evdev + 8) and X state bits used to build Qt key events as xcb does.
constexpr quint32 xKeycodeA = 38, xKeycodeX = 53, xKeycodeQ = 24;
constexpr quint32 xLock = 0x2, xNumLock = 0x10;

struct Receiver : QObject
{
    int keyEvents = 0;
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)
            ++keyEvents;
        return QObject::event(e);
    }
};

} // namespace

class TestCarbonHotKeys : public QObject
{
    Q_OBJECT

    FakePlatform platform;
    QList<QPair<EventType, Shortcut>> calls;

    CKS::Callback recorder(EventType type)
    {
        return [this, type](const Shortcut &shortcut) { calls.append({type, shortcut}); };
    }
    void registerRecorded(const Shortcut &shortcut)
    {
        CKS::registerShortcut(shortcut, recorder(EventType::keyDown), recorder(EventType::keyUp));
    }
    static void sendKey(QObject *to, QEvent::Type type, quint32 xKeycode, Qt::KeyboardModifiers modifiers,
                        quint32 xState, bool autoRepeat = false)
    {
        QKeyEvent event(type, Qt::Key_unknown, modifiers, xKeycode, 0, xState, QString(), autoRepeat);
        QCoreApplication::sendEvent(to, &event);
    }
    static void post(const QString &name) { NotificationCenter::defaultCenter().post(name); }

private slots:
    void initTestCase()
    {
        platform = FakePlatform::install();
        CKS::setUpMenuTrackingObserversIfNeeded();
        CKS::setUpMenuTrackingObserversIfNeeded(); // once per process: one toggle per notification
    }

    void init() { calls.clear(); }

    void aFailedRegistrationPrintsAndStillConsumesAnId()
    {
        QVERIFY(!CKS::hasEventHandler());
        platform.hotKeys->failures.insert(Key::a.rawValue, badAccess);
        OutputCapture output;
        registerRecorded(controlCommandA);
        QCOMPARE(output.finish(), QByteArray("Error registering hotkey ⌃⌘A: 10\n"));
        QCOMPARE(CKS::hotKeyIdCounter(), 1);
        QVERIFY(CKS::hotKeys().empty());
        QCOMPARE(platform.hotKeys->handlerInstalls, 0);

        // The first success installs the handler, once, and listens to hot keys.
        platform.hotKeys->failures.clear();
        registerRecorded(controlCommandA);
        QCOMPARE(platform.hotKeys->idOf(0, 0x1100), std::optional<quint32>(2));
        QCOMPARE(platform.hotKeys->eventsEnabledChanges, QList<bool>{true});
        registerRecorded(optionX);
        QCOMPARE(platform.hotKeys->handlerInstalls, 1);
    }

    void pressesAndReleasesReachTheirCallbacks()
    {
        QVERIFY(platform.hotKeys->press(0, 0x1100, EventType::keyDown));
        QVERIFY(platform.hotKeys->press(0, 0x1100, EventType::keyUp));
        platform.hotKeys->handler(999, EventType::keyDown); // not ours
        QCOMPARE(calls, (QList<QPair<EventType, Shortcut>>{{EventType::keyDown, controlCommandA},
                                                           {EventType::keyUp, controlCommandA}}));
    }

    void idsAreNeverReused()
    {
        const int before = CKS::hotKeyIdCounter();
        CKS::unregisterShortcut(optionX);
        QCOMPARE(platform.hotKeys->liveGrabCount(optionX.carbonKeyCode, optionX.carbonModifiers), 0);
        registerRecorded(optionX);
        QCOMPARE(platform.hotKeys->idOf(optionX.carbonKeyCode, optionX.carbonModifiers),
                 std::optional<quint32>(before + 1));
    }

    void codesThatDoNotFitAreRefusedBeforeThePlatform()
    {
        OutputCapture output; // the fake would accept it
        registerRecorded(Shortcut(-1, CarbonModifier::command));
        QCOMPARE(output.finish(), QByteArray("Error registering hotkey ⌘\xEF\xBF\xBD: -50\n"));
    }

    void anOpenMenuDropsHotKeysAndMatchesKeyEventsInstead()
    {
        const size_t records = CKS::hotKeys().size();
        post(menuDidBeginTrackingNotification);
        QVERIFY(CKS::isMenuOpen());
        QVERIFY(platform.hotKeys->grabs.isEmpty());
        QCOMPARE(CKS::hotKeys().size(), records);
        QCOMPARE(platform.hotKeys->eventsEnabledChanges.last(), false);
        const qsizetype changes = platform.hotKeys->eventsEnabledChanges.size();
        post(menuDidBeginTrackingNotification); // already open: nothing runs again
        QCOMPARE(platform.hotKeys->eventsEnabledChanges.size(), changes);

        Receiver menu;
        // Caps Lock and Num Lock on: the modifiers are normalized before matching.
        sendKey(&menu, QEvent::KeyPress, xKeycodeA, Qt::ControlModifier | Qt::MetaModifier, 0x44 | xLock | xNumLock);
        sendKey(&menu, QEvent::KeyPress, xKeycodeA, Qt::ControlModifier | Qt::MetaModifier, 0x44, true); // repeat
        sendKey(&menu, QEvent::KeyRelease, xKeycodeA, Qt::ControlModifier | Qt::MetaModifier, 0x44 | xLock);
        // Modifiers let go before the key: the release still belongs to the press.
        sendKey(&menu, QEvent::KeyPress, xKeycodeA, Qt::ControlModifier | Qt::MetaModifier, 0x44);
        sendKey(&menu, QEvent::KeyRelease, xKeycodeA, Qt::NoModifier, 0);
        sendKey(&menu, QEvent::KeyRelease, xKeycodeA, Qt::NoModifier, 0); // no press left: passes
        sendKey(&menu, QEvent::KeyPress, xKeycodeX, Qt::AltModifier | Qt::ShiftModifier, 0x9); // other modifiers
        sendKey(&menu, QEvent::KeyPress, xKeycodeQ, Qt::NoModifier, 0);
        QCOMPARE(calls, (QList<QPair<EventType, Shortcut>>{{EventType::keyDown, controlCommandA},
                                                           {EventType::keyUp, controlCommandA},
                                                           {EventType::keyDown, controlCommandA},
                                                           {EventType::keyUp, controlCommandA}}));
        QCOMPARE(menu.keyEvents, 4); // the repeat, the unmatched release, Shift-Option-X and Q reach the menu

        post(menuDidEndTrackingNotification);
        QVERIFY(!CKS::isMenuOpen());
        QCOMPARE(platform.hotKeys->eventsEnabledChanges.last(), true);
        QCOMPARE(platform.hotKeys->grabs.size(), qsizetype(records));
        QVERIFY(platform.hotKeys->press(0, 0x1100, EventType::keyDown));
        QCOMPARE(calls.size(), 5); // grabbed again under its own id
        calls.clear();
        sendKey(&menu, QEvent::KeyPress, xKeycodeA, Qt::ControlModifier | Qt::MetaModifier, 0x44);
        QVERIFY(calls.isEmpty()); // the filter is gone with the menu
        QCOMPARE(menu.keyEvents, 5);
    }

    void aRecordThatCannotBeRegisteredAgainIsDropped()
    {
        post(menuDidBeginTrackingNotification);
        platform.hotKeys->failures.insert(optionX.carbonKeyCode, badAccess);
        OutputCapture output;
        post(menuDidEndTrackingNotification);
        QCOMPARE(output.finish(), QByteArray("Error registering hotkey ⌥X: 10\n"));
        platform.hotKeys->failures.clear();
        for (const auto &[id, hotKey] : CKS::hotKeys())
            QVERIFY(hotKey->shortcut != optionX);
        QCOMPARE(platform.hotKeys->liveGrabCount(0, 0x1100), 1);
    }

    void theMasterSwitchDropsAndRestoresEveryRegistration()
    {
        CKS::setEnabled(false);
        QVERIFY(!isEnabled());
        QVERIFY(platform.hotKeys->grabs.isEmpty());
        QCOMPARE(platform.hotKeys->eventsEnabledChanges.last(), false);
        // Disabled and in a menu: key events are not matched either.
        post(menuDidBeginTrackingNotification);
        Receiver menu;
        sendKey(&menu, QEvent::KeyPress, xKeycodeA, Qt::ControlModifier | Qt::MetaModifier, 0x44);
        QCOMPARE(menu.keyEvents, 1);
        QVERIFY(calls.isEmpty());
        post(menuDidEndTrackingNotification);
        QVERIFY(platform.hotKeys->grabs.isEmpty());

        setEnabled(true);
        QCOMPARE(platform.hotKeys->liveGrabCount(0, 0x1100), 1);
        QCOMPARE(platform.hotKeys->eventsEnabledChanges.last(), true);
    }

    void systemShortcutsAreCombinationsHeldByOthers()
    {
        const Shortcut terminal(Key::t, {ModifierFlag::control, ModifierFlag::option});
        const Shortcut lock(Key::l, ModifierFlag::command);
        platform.hotKeys->heldByOthers = {{quint32(terminal.carbonKeyCode), quint32(terminal.carbonModifiers)},
                                          {quint32(lock.carbonKeyCode), quint32(lock.carbonModifiers)},
                                          {0, 0x1100}};
        platform.hotKeys->probes.clear();
        const QList<Shortcut> system = systemShortcuts();
        QCOMPARE(system.size(), 2);
        QVERIFY(system.contains(terminal) && system.contains(lock));
        // Our own live grab is never probed (a probe would release it), nor are modifier keys.
        QVERIFY(!platform.hotKeys->probes.contains(qMakePair(0u, 0x1100u)));
        QVERIFY(!platform.hotKeys->probes.contains(qMakePair(quint32(Key::shift.rawValue), 0u)));
        QVERIFY(platform.hotKeys->probes.contains(qMakePair(quint32(Key::f12.rawValue), 0u)));
        QVERIFY(isSystemShortcut(lock));
        QVERIFY(!isSystemShortcut(controlCommandA));
        QVERIFY(!isSystemShortcut(optionX));
    }
};

QTEST_GUILESS_MAIN(TestCarbonHotKeys)
#include "tst_carbonhotkeys.moc"
