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

// A key press and release as the xcb platform delivers them: Qt key, modifiers
// and the native X key code (evdev + 8).
void pressKey(QWindow &window, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    static const QHash<int, quint32> xKeyCodes{{Qt::Key_A, 38}, {Qt::Key_K, 45}, {Qt::Key_Q, 24}, {Qt::Key_X, 53},
        {Qt::Key_Tab, 23}, {Qt::Key_Escape, 9}, {Qt::Key_Backspace, 22}, {Qt::Key_Delete, 119}, {Qt::Key_F5, 71},
        {Qt::Key_F12, 96}};
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, modifiers, xKeyCodes.value(key), 0, 0);
        QCoreApplication::sendEvent(&window, &event);
    }
}

const Shortcut controlCommandA(Key::a, {ModifierFlag::control, ModifierFlag::command});
using OptionalShortcut = std::optional<Shortcut>;

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

Q_DECLARE_METATYPE(std::optional<KeyboardShortcuts::Shortcut>)

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

    void clickStartsRecordingPausesAndAnnounces()
    {
        QCOMPARE(recorder->text(), controlCommandA.description());
        QCOMPARE(recorder->placeholderText(), localized(QStringLiteral("record_shortcut")));
        QList<bool> announced;
        const auto token = NotificationCenter::defaultCenter().addObserver(
            recorderActiveStatusDidChangeNotification,
            [&](const Notification &n) { announced.append(n.userInfo.value(QStringLiteral("isActive")).toBool()); });
        const auto liveGrabs = [this] {
            return platform.hotKeys->liveGrabCount(controlCommandA.carbonKeyCode, controlCommandA.carbonModifiers);
        };
        QCOMPARE(liveGrabs(), 1);
        clickRecorder();
        QVERIFY(recorder->isRecording());
        QVERIFY(isPaused());
        QCOMPARE(liveGrabs(), 0); // its keys reach the recorder meanwhile
        QCOMPARE(recorder->placeholderText(), localized(QStringLiteral("press_shortcut")));
        pressKey(*window, Qt::Key_Escape);
        NotificationCenter::defaultCenter().removeObserver(token);
        QCOMPARE(announced, (QList<bool>{true, false}));
        QVERIFY(!isPaused());
        QCOMPARE(liveGrabs(), 1);
    }

    // What one key press does while recording; the name holds Control-Command-A.
    void keyPressWhileRecording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("menuItemKey"); // a menu item's key equivalent with Control, or none
        QTest::addColumn<OptionalShortcut>("heldElsewhere"); // by another client
        QTest::addColumn<int>("response");        // to an alert
        QTest::addColumn<QString>("alert");       // the alert's message text, or none
        QTest::addColumn<int>("beeps");
        QTest::addColumn<OptionalShortcut>("stored");
        QTest::addColumn<bool>("recording");      // afterwards
        const Qt::KeyboardModifiers none, shift(Qt::ShiftModifier), control(Qt::ControlModifier),
            controlOption(Qt::ControlModifier | Qt::AltModifier);
        const OptionalShortcut kept(controlCommandA), cleared, free;
        const OptionalShortcut controlOptionX(Shortcut(Key::x, {ModifierFlag::control, ModifierFlag::option}));
        const int ok = alertFirstButtonReturn, force = alertSecondButtonReturn;
        const QString menu = localized(QStringLiteral("keyboard_shortcut_used_by_menu_item")).arg("Quit Sayline");
        const QString system = localized(QStringLiteral("keyboard_shortcut_used_by_system"));
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
        row("letter alone beeps") << int(Qt::Key_A) << none << "" << free << ok << "" << 1 << kept << true;
        row("shift and letter beeps") << int(Qt::Key_A) << shift << "" << free << ok << "" << 1 << kept << true;
        row("F5 needs no modifier") << int(Qt::Key_F5) << none << "" << free << ok << "" << 0
                                    << OptionalShortcut(Shortcut(Key::f5)) << false;
        row("shift F5") << int(Qt::Key_F5) << shift << "" << free << ok << "" << 0
                        << OptionalShortcut(Shortcut(Key::f5, ModifierFlag::shift)) << false;
        row("escape ends") << int(Qt::Key_Escape) << none << "" << free << ok << "" << 0 << kept << false;
        row("tab ends") << int(Qt::Key_Tab) << none << "" << free << ok << "" << 0 << kept << false;
        row("backspace clears") << int(Qt::Key_Backspace) << none << "" << free << ok << "" << 0 << cleared << true;
        row("forward delete clears") << int(Qt::Key_Delete) << none << "" << free << ok << "" << 0 << cleared << true;
        row("menu item's control q") << int(Qt::Key_Q) << control << "q" << free << ok << menu << 0 << kept << true;
        row("menu item's K means shift") << int(Qt::Key_K) << (shift | control) << "K" << free << ok << menu << 0
                                         << kept << true;
        row("menu item with other modifiers") << int(Qt::Key_Q) << controlOption << "q" << free << ok << "" << 0
            << OptionalShortcut(Shortcut(Key::q, {ModifierFlag::control, ModifierFlag::option})) << false;
        row("system shortcut, OK") << int(Qt::Key_X) << controlOption << "" << controlOptionX << ok << system << 0
                                   << kept << true;
        row("system shortcut, forced") << int(Qt::Key_X) << controlOption << "" << controlOptionX << force << system
                                       << 0 << controlOptionX << false;
        const OptionalShortcut f12(Shortcut(Key::f12));
        row("bare F12 is never a system shortcut") << int(Qt::Key_F12) << none << "" << f12 << ok << "" << 0 << f12
                                                   << false;
    }
    void keyPressWhileRecording()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, menuItemKey);
        QFETCH(OptionalShortcut, heldElsewhere);
        QFETCH(int, response);
        QFETCH(QString, alert);
        QFETCH(int, beeps);
        QFETCH(OptionalShortcut, stored);
        QFETCH(bool, recording);
        QMenu menu;
        if (!menuItemKey.isEmpty()) {
            QAction *item = menu.addMenu(QStringLiteral("More"))->addAction(QStringLiteral("Quit Sayline"));
            setMenuKeyEquivalent(*item, menuItemKey, ModifierFlag::control);
        }
        if (heldElsewhere)
            platform.hotKeys->heldByOthers = {{quint32(heldElsewhere->carbonKeyCode), quint32(heldElsewhere->carbonModifiers)}};
        alerts->response = response;
        clickRecorder();
        pressKey(*window, Qt::Key(key), modifiers);
        platform.hotKeys->heldByOthers.clear();

        QCOMPARE(alerts->beeps, beeps);
        QCOMPARE(alerts->shown.size(), alert.isEmpty() ? 0 : 1);
        if (!alert.isEmpty()) {
            const RecorderAlert &shown = alerts->shown.first().alert;
            QCOMPARE(alerts->shown.first().window.data(), window.get());
            QCOMPARE(shown.messageText, alert);
            if (heldElsewhere) {
                QCOMPARE(shown.informativeText, localized(QStringLiteral("keyboard_shortcuts_can_be_changed")));
                QCOMPARE(shown.buttonTitles, (QStringList{localized(QStringLiteral("ok")),
                                                          localized(QStringLiteral("force_use_shortcut"))}));
            }
        }
        QCOMPARE(getShortcut(name), stored);
        QCOMPARE(changes, stored == controlCommandA ? QList<OptionalShortcut>() : QList<OptionalShortcut>{stored});
        QCOMPARE(recorder->text(), stored ? stored->description() : QString());
        QCOMPARE(recorder->isCancelButtonVisible(), stored.has_value());
        QCOMPARE(recorder->isRecording(), recording);
        if (stored && stored != controlCommandA) { // saving registers the new combination and drops the old grab
            QCOMPARE(platform.hotKeys->liveGrabCount(stored->carbonKeyCode, stored->carbonModifiers), 1);
            QCOMPARE(platform.hotKeys->liveGrabCount(controlCommandA.carbonKeyCode, controlCommandA.carbonModifiers), 0);
        }
    }

    // The menu's own copy of the recorded name's shortcut is no conflict;
    // another name's combination in the menu still is.
    void menuItemMirroringTheRecordedNameIsNoConflict()
    {
        QMenu menu;
        QAction *item = menu.addAction(QStringLiteral("Start/Stop Recording"));
        setMenuKeyEquivalent(*item, QStringLiteral("q"), ModifierFlag::control);
        setMenuItemMirrorsShortcut(*item, name.rawValue);
        clickRecorder();
        pressKey(*window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(alerts->shown.size(), 0);
        QCOMPARE(getShortcut(name), OptionalShortcut(Shortcut(Key::q, ModifierFlag::control)));

        setMenuItemMirrorsShortcut(*item, QStringLiteral("another"));
        clickRecorder();
        pressKey(*window, Qt::Key_Backspace);
        pressKey(*window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(alerts->shown.size(), 1);
        QCOMPARE(getShortcut(name), OptionalShortcut());
        pressKey(*window, Qt::Key_Escape);
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

    void twoRecordersForOneNameStayInSync()
    {
        auto *twin = new RecorderCocoa(name, {}, window->contentItem());
        twin->setPosition({40, 100});
        twin->setSize({150, 24});
        clickRecorder();
        pressKey(*window, Qt::Key_F5, Qt::ShiftModifier);
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
        pressKey(*window, Qt::Key_F5, Qt::ControlModifier);
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
