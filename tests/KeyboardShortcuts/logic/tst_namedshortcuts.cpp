// Named shortcuts through the real defaults store (in a temporary config
// folder) and a fake hot-key system: storage rules, registrations, dispatch
// and event streams.
#include "FakePlatform.h"

#include <KeyboardShortcuts.h>
#include <NotificationCenter.h>
#include <UserDefaults.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <qcorotask.h>

using namespace KeyboardShortcuts;

namespace {

const Shortcut controlCommandA(Key::a, {ModifierFlag::control, ModifierFlag::command});
const Shortcut commandK(Key::k, ModifierFlag::command);
const Shortcut optionX(Key::x, ModifierFlag::option);
const QByteArray corruptBytes = "{\"KeyboardShortcuts_toggleMainWindow\": \"{\\\"carbonKeyCode\\\":";

QCoro::Task<QList<EventType>> read(EventStream &stream, int count)
{
    QList<EventType> types;
    while (types.size() < count) {
        const std::optional<EventType> type = co_await stream.next();
        if (!type)
            break;
        types.append(*type);
    }
    co_return types;
}

} // namespace

class TestNamedShortcuts : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    FakePlatform platform;
    QList<QString> changedNames;

    UserDefaults &defaults() { return UserDefaults::standard(); }

    void press(const Shortcut &shortcut)
    {
        QVERIFY2(platform.hotKeys->press(shortcut.carbonKeyCode, shortcut.carbonModifiers, EventType::keyDown),
                 "not grabbed");
        QVERIFY(platform.hotKeys->press(shortcut.carbonKeyCode, shortcut.carbonModifiers, EventType::keyUp));
    }
    int liveGrabs(const Shortcut &shortcut)
    {
        return platform.hotKeys->liveGrabCount(shortcut.carbonKeyCode, shortcut.carbonModifiers);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QVERIFY(QDir(config.path()).mkpath("Sayline"));
        QFile file(config.filePath("Sayline/defaults.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(corruptBytes);
        file.close();
        platform = FakePlatform::install();
        NotificationCenter::defaultCenter().addObserver(shortcutByNameDidChangeNotification, [this](const Notification &n) {
            changedNames.append(n.userInfo.value("name").value<Name>().rawValue);
        });
    }

    void init() { changedNames.clear(); }

    void aDefaultIsStoredOnceOverACorruptFile()
    {
        // The store is read at its first use, here.
        const Name toggle("toggleMainWindow", controlCommandA);
        QVERIFY(QFile::exists(config.filePath("Sayline/defaults.json.corrupt")));
        QCOMPARE(liveGrabs(controlCommandA), 1);
        QCOMPARE(changedNames, QList<QString>{"toggleMainWindow"});

        const Name again("toggleMainWindow", commandK);
        QVERIFY(again == toggle); // identity is the text alone
        QCOMPARE(getShortcut(again), std::optional<Shortcut>(controlCommandA));
        QCOMPARE(liveGrabs(controlCommandA), 1);
        QCOMPARE(changedNames.size(), 1);
        QFile file(config.filePath("Sayline/defaults.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).object().value("KeyboardShortcuts_toggleMainWindow"),
                 QJsonValue("{\"carbonKeyCode\":0,\"carbonModifiers\":4352}"));
    }

    void clearingANameWithADefaultStoresFalseUntilReset()
    {
        const Name name("withDefault", commandK);
        QCOMPARE(liveGrabs(commandK), 1);
        setShortcut(std::nullopt, name);
        QCOMPARE(defaults().object(name.userDefaultsKey()), QJsonValue(false));
        QCOMPARE(liveGrabs(commandK), 0);
        QCOMPARE(changedNames, (QList<QString>{"withDefault", "withDefault"}));

        const Name recreated("withDefault", commandK);
        QCOMPARE(getShortcut(recreated), std::nullopt);
        QCOMPARE(liveGrabs(commandK), 0);

        reset({recreated});
        QCOMPARE(getShortcut(recreated), std::optional<Shortcut>(commandK));
        QCOMPARE(liveGrabs(commandK), 1);
        setShortcut(std::nullopt, recreated);
    }

    void settingTwiceKeepsOneGrabAndClearingRemovesTheKey()
    {
        const Name name("noDefault");
        setShortcut(optionX, name);
        setShortcut(optionX, name);
        QCOMPARE(liveGrabs(optionX), 1);
        name.setShortcut(std::nullopt);
        QVERIFY(!defaults().contains(name.userDefaultsKey()));
        QCOMPARE(liveGrabs(optionX), 0);
        name.setShortcut(std::nullopt); // nothing left to clear: no change, no notification
        QCOMPARE(changedNames.size(), 3);
    }

    void namesSharingAShortcutShareOneRegistration()
    {
        const Shortcut shared(Key::j, {ModifierFlag::control, ModifierFlag::option});
        const Name first("sharedFirst"), second("sharedSecond");
        setShortcut(shared, first);
        setShortcut(shared, second);
        QCOMPARE(liveGrabs(shared), 1);
        QStringList ran;
        onKeyDown(first, [&] { ran << "first down"; });
        onKeyUp(second, [&] { ran << "second up 1"; });
        onKeyUp(second, [&] { ran << "second up 2"; });
        onKeyDown(second, [&] { ran << "second down"; });
        QCOMPARE(liveGrabs(shared), 1);
        press(shared);
        QCOMPARE(ran, (QStringList{"first down", "second down", "second up 1", "second up 2"}));

        // Changing one unregisters the combination for both, until enabled again.
        setShortcut(optionX, first);
        QCOMPARE(liveGrabs(shared), 0);
        enable({second});
        QCOMPARE(liveGrabs(shared), 1);
        ran.clear();
        press(shared);
        QCOMPARE(ran, (QStringList{"second down", "second up 1", "second up 2"}));
        removeAllHandlers();
        setShortcut(std::nullopt, first);
        setShortcut(std::nullopt, second);
    }

    void dispatchReadsTheStoredShortcutAtEveryEvent()
    {
        const Name name("rewritten");
        setShortcut(optionX, name);
        int runs = 0;
        onKeyDown(name, [&] { ++runs; });
        defaults().setString(name.userDefaultsKey(), QString::fromUtf8(commandK.toJson()));
        press(optionX); // still grabbed, but the name now holds another shortcut
        QCOMPARE(runs, 0);
        removeAllHandlers();
        defaults().setString(name.userDefaultsKey(), QString::fromUtf8(optionX.toJson()));
        setShortcut(std::nullopt, name);
        QCOMPARE(liveGrabs(optionX), 0);
    }

    void valuesThatAreNotShortcutsReadAsNone_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("true") << QJsonValue(true);
        QTest::newRow("false") << QJsonValue(false);
        QTest::newRow("number") << QJsonValue(53);
        QTest::newRow("garbage text") << QJsonValue("carbonKeyCode 53");
        QTest::newRow("text false") << QJsonValue("false");
    }
    void valuesThatAreNotShortcutsReadAsNone()
    {
        QFETCH(QJsonValue, value);
        const Name name("odd");
        const QString key = name.userDefaultsKey();
        if (value.isBool())
            defaults().setBool(key, value.toBool());
        else if (value.isDouble())
            defaults().setDouble(key, value.toDouble());
        else
            defaults().setString(key, value.toString());
        QCOMPARE(getShortcut(name), std::nullopt);
        QCOMPARE(Shortcut::fromName(name), std::nullopt);
        setShortcut(std::nullopt, name);
        reset({name});
        QCOMPARE(defaults().object(key), value); // nothing to clear: left alone
        QVERIFY(changedNames.isEmpty());
        defaults().remove(key);
    }

    void pausedPressesReachNoActionAndNoStream()
    {
        const Name name("paused");
        setShortcut(optionX, name);
        int runs = 0;
        onKeyDown(name, [&] { ++runs; });
        EventStream stream = events(name);
        setPaused(true);
        QVERIFY(isPaused());
        // Paused (a recorder records), the grab is let go: the key goes to the recorder, not here.
        QCOMPARE(liveGrabs(optionX), 0);
        QVERIFY(!platform.hotKeys->press(optionX.carbonKeyCode, optionX.carbonModifiers, EventType::keyDown));
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
        QCOMPARE(stream.pendingCount(), size_t(0));
        setPaused(false);
        press(optionX);
        QCOMPARE(runs, 1);
        QCOMPARE(QCoro::waitFor(read(stream, 2)), (QList<EventType>{EventType::keyDown, EventType::keyUp}));
        removeAllHandlers();
    }

    void streamsDeliverInOrderAndUnregisterWhenTheLastEnds()
    {
        const Name name("streamed");
        setShortcut(commandK, name);
        {
            EventStream all = events(name);
            EventStream releases = events(EventType::keyUp, name);
            press(commandK);
            press(commandK);
            QCOMPARE(QCoro::waitFor(read(releases, 2)), (QList<EventType>{EventType::keyUp, EventType::keyUp}));
            QCOMPARE(QCoro::waitFor(read(all, 4)), (QList<EventType>{EventType::keyDown, EventType::keyUp,
                                                                    EventType::keyDown, EventType::keyUp}));
            { EventStream third = events(name); }
            QCOMPARE(liveGrabs(commandK), 1); // other streams still need it
        }
        QCOMPARE(liveGrabs(commandK), 0);
        // A handler keeps the hot key alive past its streams.
        onKeyUp(name, [] {});
        { EventStream stream = events(name); }
        QCOMPARE(liveGrabs(commandK), 1);
        removeAllHandlers();
        setShortcut(std::nullopt, name);
    }

    void aReaderWaitingOnAStreamIsResumedByAPress()
    {
        const Name name("awaited");
        setShortcut(commandK, name);
        EventStream stream = events(name);
        QCoro::Task<QList<EventType>> reading = read(stream, 1);
        QVERIFY(!reading.isReady());
        press(commandK);
        QCOMPARE(QCoro::waitFor(reading), QList<EventType>{EventType::keyDown});
        QCOMPARE(stream.pendingCount(), size_t(1));
    }

    void removeAllHandlersLeavesStreamsWithoutHotKeys()
    {
        const Name withHandler("handled"), withStream("streaming");
        setShortcut(commandK, withHandler);
        setShortcut(optionX, withStream);
        int runs = 0;
        onKeyDown(withHandler, [&] { ++runs; });
        EventStream stream = events(withStream);
        removeAllHandlers();
        QCOMPARE(liveGrabs(commandK), 0);
        QCOMPARE(liveGrabs(optionX), 0);
        enable({withHandler, withStream});
        press(commandK);
        QCOMPARE(runs, 0);
        press(optionX);
        QCOMPARE(QCoro::waitFor(read(stream, 2)), (QList<EventType>{EventType::keyDown, EventType::keyUp}));
        disable({withHandler, withStream});
        QCOMPARE(liveGrabs(commandK), 0);
        QCOMPARE(getShortcut(withHandler), std::optional<Shortcut>(commandK)); // storage left alone
    }

    void anActionMayChangeTheTablesWhileDispatching()
    {
        const Name name("selfRemoving");
        setShortcut(commandK, name);
        QStringList ran;
        onKeyDown(name, [&] {
            ran << "first";
            removeAllHandlers();
            onKeyDown(name, [&] { ran << "added"; });
        });
        onKeyDown(name, [&] { ran << "second"; });
        QVERIFY(platform.hotKeys->press(commandK.carbonKeyCode, commandK.carbonModifiers, EventType::keyDown));
        QCOMPARE(ran, (QStringList{"first", "second"}));
        removeAllHandlers();
    }

    void resetAllClearsEveryStoredShortcutButKeepsFalse()
    {
        const Name a("resetA"), b("resetB"), removed("resetRemoved", Shortcut(Key::escape));
        setShortcut(commandK, a);
        setShortcut(optionX, b);
        setShortcut(std::nullopt, removed);
        changedNames.clear();
        resetAll();
        for (const QString &key : defaults().keys()) {
            if (key.startsWith("KeyboardShortcuts_"))
                QCOMPARE(defaults().object(key), QJsonValue(false));
        }
        QCOMPARE(defaults().object(removed.userDefaultsKey()), QJsonValue(false));
        QVERIFY(changedNames.contains("resetA") && changedNames.contains("resetB"));
        QVERIFY(changedNames.contains("toggleMainWindow"));
        QVERIFY(!changedNames.contains("resetRemoved"));
        QCOMPARE(liveGrabs(commandK), 0);
        QCOMPARE(liveGrabs(controlCommandA), 0);
        QVERIFY(platform.hotKeys->grabs.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNamedShortcuts)
#include "tst_namedshortcuts.moc"
