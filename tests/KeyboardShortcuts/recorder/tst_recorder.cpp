#include "FakePlatform.h"

#include <GlobalKeyboardShortcutViewModifier.h>
#include <KeyboardShortcuts.h>
#include <MenuKeyEquivalent.h>
#include <RecorderAlert.h>
#include <RecorderCocoa.h>
#include <RecorderStatus.h>

#include <NotificationCenter.h>
#include <UserDefaults.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace KeyboardShortcuts;

namespace {

// Answers recorder alerts with a chosen button and counts beeps.
struct FakeRecorderAlerts final : RecorderAlertPresenter
{
    struct Shown
    {
        QPointer<QWindow> window;
        RecorderAlert alert;
    };
    QList<Shown> shown;
    int response = alertFirstButtonReturn;
    int beeps = 0;

    int runModal(QWindow *window, const RecorderAlert &alert) override
    {
        shown.append({window, alert});
        return response;
    }
    void beep() override { ++beeps; }
};

// X key codes (evdev + 8) of the keys the tests press.
namespace XKey {
constexpr quint32 a = 38, k = 45, q = 24, x = 53, tab = 23, escape = 9, backspace = 22, del = 119, f5 = 71,
                         f12 = 96;
}

// A key press as the xcb platform delivers it: Qt key, modifiers, native code.
void pressKey(QWindow &window, Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 xKeyCode,
              const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, xKeyCode, 0, 0, text);
    QCoreApplication::sendEvent(&window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, xKeyCode, 0, 0, text);
    QCoreApplication::sendEvent(&window, &release);
}

const Shortcut controlCommandA(Key::a, {ModifierFlag::control, ModifierFlag::command});

// An item that counts the mouse releases that reach it.
class ClickTarget : public QQuickItem
{
public:
    int releases = 0;
    explicit ClickTarget(QQuickItem *parent) : QQuickItem(parent) { setAcceptedMouseButtons(Qt::LeftButton); }

protected:
    void mousePressEvent(QMouseEvent *event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        ++releases;
        event->accept();
    }
};

} // namespace

class RecorderTest : public QObject
{
    Q_OBJECT

private:
    FakePlatform platform;
    FakeRecorderAlerts *alerts = nullptr;
    std::unique_ptr<QQuickWindow> window;
    RecorderCocoa *recorder = nullptr;
    ClickTarget *target = nullptr;
    QList<std::optional<Shortcut>> changes;
    int nameCounter = 0;
    Name name;

    // A fresh name with Control-Command-A as its stored default.
    Name freshName()
    {
        return Name(QStringLiteral("recorded%1").arg(++nameCounter), controlCommandA);
    }

    void clickAt(QPointF point) { QTest::mouseClick(window.get(), Qt::LeftButton, {}, point.toPoint()); }
    void clickRecorder() { clickAt(recorder->mapToScene(QPointF(20, recorder->height() / 2))); }

private slots:
    void initTestCase()
    {
        platform = FakePlatform::install();
        auto presenter = std::make_unique<FakeRecorderAlerts>();
        alerts = presenter.get();
        setRecorderAlertPresenter(std::move(presenter));
    }

    void init()
    {
        alerts->shown.clear();
        alerts->beeps = 0;
        alerts->response = alertFirstButtonReturn;
        changes.clear();
        name = freshName();
        window = std::make_unique<QQuickWindow>();
        window->resize(400, 200);
        recorder = new RecorderCocoa(name, [this](const std::optional<Shortcut> &s) { changes.append(s); },
                                     window->contentItem());
        recorder->setPosition({40, 40});
        recorder->setSize({150, 24});
        target = new ClickTarget(window->contentItem());
        target->setPosition({250, 120});
        target->setSize({100, 50});
        window->show();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::qWait(1); // let the key-view guard lapse
    }

    void cleanup()
    {
        window.reset();
        recorder = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!isPaused());
    }

    void endingKeysKeepTheShortcut_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("xKeyCode");
        QTest::newRow("escape") << int(Qt::Key_Escape) << XKey::escape;
        QTest::newRow("tab") << int(Qt::Key_Tab) << XKey::tab;
    }
    void endingKeysKeepTheShortcut()
    {
        QFETCH(int, key);
        QFETCH(quint32, xKeyCode);
        QCOMPARE(recorder->text(), controlCommandA.description());
        QVERIFY(recorder->isCancelButtonVisible());
        QCOMPARE(recorder->placeholderText(), localized(QStringLiteral("record_shortcut")));
        QList<bool> announced;
        const auto token = NotificationCenter::defaultCenter().addObserver(
            recorderActiveStatusDidChangeNotification,
            [&](const Notification &n) { announced.append(n.userInfo.value(QStringLiteral("isActive")).toBool()); });
        clickRecorder();
        QVERIFY(recorder->isRecording());
        QVERIFY(isPaused());
        QCOMPARE(recorder->placeholderText(), localized(QStringLiteral("press_shortcut")));
        pressKey(*window, Qt::Key(key), {}, xKeyCode);
        NotificationCenter::defaultCenter().removeObserver(token);
        QCOMPARE(announced, (QList<bool>{true, false}));
        QVERIFY(!recorder->isRecording());
        QVERIFY(!isPaused());
        QCOMPARE(getShortcut(name), controlCommandA);
        QCOMPARE(recorder->text(), controlCommandA.description());
        QVERIFY(changes.isEmpty());
    }

    void keyWithoutModifierBeeps_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("letter alone") << Qt::KeyboardModifiers();
        QTest::newRow("shift and letter") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    }
    void keyWithoutModifierBeeps()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        clickRecorder();
        pressKey(*window, Qt::Key_A, modifiers, XKey::a, QStringLiteral("a"));
        QCOMPARE(alerts->beeps, 1);
        QVERIFY(recorder->isRecording());
        QCOMPARE(getShortcut(name), controlCommandA);
        QVERIFY(changes.isEmpty());
    }

    void functionKeyNeedsNoModifier_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("carbonModifiers");
        QTest::newRow("F5") << Qt::KeyboardModifiers() << 0;
        QTest::newRow("shift F5") << Qt::KeyboardModifiers(Qt::ShiftModifier) << CarbonModifier::shift;
    }
    void functionKeyNeedsNoModifier()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, carbonModifiers);
        clickRecorder();
        pressKey(*window, Qt::Key_F5, modifiers, XKey::f5);
        const Shortcut expected(Key::f5.rawValue, carbonModifiers);
        QCOMPARE(alerts->beeps, 0);
        QCOMPARE(getShortcut(name), expected);
        QCOMPARE(changes, (QList<std::optional<Shortcut>>{expected}));
        QCOMPARE(recorder->text(), expected.description());
        QVERIFY(!recorder->isRecording());
        // Saving registers the new combination and drops the old grab.
        QCOMPARE(platform.hotKeys->liveGrabCount(Key::f5.rawValue, carbonModifiers), 1);
        QCOMPARE(platform.hotKeys->liveGrabCount(controlCommandA.carbonKeyCode, controlCommandA.carbonModifiers), 0);
    }

    void deleteClearsAndKeepsRecording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("xKeyCode");
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << XKey::backspace;
        QTest::newRow("forward delete") << int(Qt::Key_Delete) << XKey::del;
    }
    void deleteClearsAndKeepsRecording()
    {
        QFETCH(int, key);
        QFETCH(quint32, xKeyCode);
        clickRecorder();
        pressKey(*window, Qt::Key(key), {}, xKeyCode);
        QCOMPARE(getShortcut(name), std::nullopt);
        // The name has a default, so the clear is remembered as false.
        QCOMPARE(UserDefaults::standard().object(name.userDefaultsKey()), QJsonValue(false));
        QCOMPARE(changes, (QList<std::optional<Shortcut>>{std::nullopt}));
        QVERIFY(recorder->text().isEmpty());
        QVERIFY(!recorder->isCancelButtonVisible());
        QVERIFY(recorder->isRecording());
        // Still recording: the next combination is taken.
        pressKey(*window, Qt::Key_F5, {}, XKey::f5);
        QCOMPARE(getShortcut(name), Shortcut(Key::f5));
    }

    void clickNearFieldKeepsRecordingFarClickPassesThrough()
    {
        clickRecorder();
        const QPointF justOutside = recorder->mapToScene(QPointF(recorder->width() + 2, recorder->height() / 2));
        clickAt(justOutside);
        QVERIFY(recorder->isRecording());
        clickAt(target->mapToScene(QPointF(10, 10)));
        QVERIFY(!recorder->isRecording());
        QCOMPARE(target->releases, 1);
    }

    void menuItemConflict_data()
    {
        QTest::addColumn<QString>("keyEquivalent");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("xKeyCode");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("conflict");
        QTest::newRow("control q") << "q" << int(ModifierFlag::control) << int(Qt::Key_Q) << XKey::q
                                   << Qt::KeyboardModifiers(Qt::ControlModifier) << true;
        QTest::newRow("upper-case K means shift") << "K" << int(ModifierFlag::command) << int(Qt::Key_K) << XKey::k
                                                  << Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::MetaModifier) << true;
        QTest::newRow("other modifiers") << "q" << int(ModifierFlag::control) << int(Qt::Key_Q) << XKey::q
                                         << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier) << false;
    }
    void menuItemConflict()
    {
        QFETCH(QString, keyEquivalent);
        QFETCH(int, mask);
        QFETCH(int, key);
        QFETCH(quint32, xKeyCode);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, conflict);
        QMenu menu;
        QMenu *submenu = menu.addMenu(QStringLiteral("More"));
        QAction *item = submenu->addAction(QStringLiteral("Quit Sayline"));
        setMenuKeyEquivalent(*item, keyEquivalent, ModifierFlags::fromInt(mask));

        clickRecorder();
        pressKey(*window, Qt::Key(key), modifiers, xKeyCode);
        if (!conflict) {
            QVERIFY(alerts->shown.isEmpty());
            QCOMPARE(getShortcut(name), Shortcut(Key::q, {ModifierFlag::control, ModifierFlag::option}));
            return;
        }
        QCOMPARE(alerts->shown.size(), 1);
        QCOMPARE(alerts->shown.first().window.data(), window.get());
        QCOMPARE(alerts->shown.first().alert.messageText,
                 localized(QStringLiteral("keyboard_shortcut_used_by_menu_item")).arg(QStringLiteral("Quit Sayline")));
        QCOMPARE(getShortcut(name), controlCommandA);
        QVERIFY(changes.isEmpty());
        QVERIFY(recorder->isRecording()); // back to recording after the alert
    }

    void systemShortcutNeedsSecondButton_data()
    {
        QTest::addColumn<int>("response");
        QTest::addColumn<bool>("stored");
        QTest::newRow("ok keeps the old shortcut") << alertFirstButtonReturn << false;
        QTest::newRow("force stores it") << alertSecondButtonReturn << true;
    }
    void systemShortcutNeedsSecondButton()
    {
        QFETCH(int, response);
        QFETCH(bool, stored);
        const Shortcut taken(Key::x, {ModifierFlag::control, ModifierFlag::option});
        platform.hotKeys->heldByOthers.insert({quint32(taken.carbonKeyCode), quint32(taken.carbonModifiers)});
        alerts->response = response;
        clickRecorder();
        pressKey(*window, Qt::Key_X, Qt::ControlModifier | Qt::AltModifier, XKey::x);
        platform.hotKeys->heldByOthers.clear();

        QCOMPARE(alerts->shown.size(), 1);
        const RecorderAlert &alert = alerts->shown.first().alert;
        QCOMPARE(alert.messageText, localized(QStringLiteral("keyboard_shortcut_used_by_system")));
        QCOMPARE(alert.informativeText, localized(QStringLiteral("keyboard_shortcuts_can_be_changed")));
        QCOMPARE(alert.buttonTitles,
                 (QStringList{localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut"))}));
        QCOMPARE(getShortcut(name), stored ? std::optional(taken) : std::optional(controlCommandA));
        QCOMPARE(changes.size(), stored ? 1 : 0);
        QCOMPARE(recorder->isRecording(), !stored);
    }

    void bareF12IsNeverASystemShortcut()
    {
        platform.hotKeys->heldByOthers.insert({quint32(Key::f12.rawValue), 0u});
        clickRecorder();
        pressKey(*window, Qt::Key_F12, {}, XKey::f12);
        platform.hotKeys->heldByOthers.clear();
        QVERIFY(alerts->shown.isEmpty());
        QCOMPARE(getShortcut(name), Shortcut(Key::f12));
    }

    void twoRecordersForOneNameStayInSync()
    {
        auto *twin = new RecorderCocoa(name, {}, window->contentItem());
        twin->setPosition({40, 100});
        twin->setSize({150, 24});
        clickRecorder();
        pressKey(*window, Qt::Key_F5, Qt::ShiftModifier, XKey::f5);
        QCOMPARE(twin->text(), Shortcut(Key::f5, ModifierFlag::shift).description());
        twin->pressCancelButton();
        QVERIFY(recorder->text().isEmpty());
        QVERIFY(!recorder->isCancelButtonVisible());
    }

    void openingTheWindowDoesNotStartRecording()
    {
        QQuickWindow other;
        auto *field = new RecorderCocoa(freshName(), {}, other.contentItem());
        field->setSize({150, 24});
        field->setFocus(true); // would be the window's initial focus
        other.show();
        other.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::qWait(20);
        QVERIFY(!field->isRecording());
        QVERIFY(!isPaused());
    }

    void leavingTheWindowEndsRecording()
    {
        clickRecorder();
        QVERIFY(isPaused());
        recorder->setParentItem(nullptr);
        QVERIFY(!recorder->isRecording());
        QVERIFY(!isPaused());
        delete recorder;
        recorder = nullptr;
    }

    void viewModifierFollowsNameAndRecorder()
    {
        GlobalKeyboardShortcutViewModifier modifier;
        QSignalSpy changed(&modifier, &GlobalKeyboardShortcutViewModifier::sequenceChanged);
        modifier.setName(name.rawValue);
        QCOMPARE(modifier.keySequence(), QKeySequence(Qt::ControlModifier | Qt::MetaModifier | Qt::Key_A));
        clickRecorder();
        QVERIFY(modifier.isRecorderActive());
        QCOMPARE(modifier.sequence(), QString());
        pressKey(*window, Qt::Key_F5, Qt::ControlModifier, XKey::f5);
        QVERIFY(!modifier.isRecorderActive());
        QCOMPARE(modifier.keySequence(), QKeySequence(Qt::ControlModifier | Qt::Key_F5));
        QVERIFY(changed.count() >= 3);
        // Keypad keys have no in-window equivalent.
        setShortcut(Shortcut(Key::keypad1, ModifierFlag::control), name);
        QCOMPARE(modifier.sequence(), QString());
    }
};

int main(int argc, char *argv[])
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    RecorderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recorder.moc"
