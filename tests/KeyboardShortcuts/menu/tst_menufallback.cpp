// A real open menu on a private X server: it grabs the keyboard, so the
// shortcut's passive grab stays silent and the menu fallback must run it.
#include "X11TestSupport.h"

#include <KeyboardShortcuts.h>
#include <NotificationCenter.h>

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace KeyboardShortcuts;
using X11TestSupport::xdotool;

class TestMenuFallback : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    QStringList events;

    void expectEvents(const QStringList &expected)
    {
        QTRY_COMPARE(events.size(), expected.size());
        QTest::qWait(200); // nothing more arrives
        QCOMPARE(events, expected);
        events.clear();
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const Name toggle("toggleMainWindow", Shortcut(Key::a, {ModifierFlag::control, ModifierFlag::command}));
        onKeyDown(toggle, [this] { events << "down"; });
        onKeyUp(toggle, [this] { events << "up"; });
    }

    void shortcutsWorkWhileAMenuHoldsTheKeyboard()
    {
        QMenu menu;
        menu.addAction("Start Recording");
        menu.addAction("Quit");
        connect(&menu, &QMenu::aboutToShow, [] { NotificationCenter::defaultCenter().post(menuDidBeginTrackingNotification); });
        connect(&menu, &QMenu::aboutToHide, [] { NotificationCenter::defaultCenter().post(menuDidEndTrackingNotification); });

        menu.popup(QPoint(40, 40));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QTRY_VERIFY(CarbonKeyboardShortcuts::isMenuOpen());
        QTest::qWait(300); // the menu's keyboard grab is in place

        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectEvents({"down", "up"});
        QVERIFY(menu.isVisible()); // consumed: the menu never saw the combination

        QVERIFY(xdotool({"key", "Escape"})); // not a shortcut: reaches the menu, which closes
        QTRY_VERIFY(!menu.isVisible());
        QTRY_VERIFY(!CarbonKeyboardShortcuts::isMenuOpen());
        QVERIFY(events.isEmpty());

        // Back on the passive grab.
        QTest::qWait(200);
        QVERIFY(xdotool({"key", "ctrl+super+a"}));
        expectEvents({"down", "up"});
    }
};

QTEST_MAIN(TestMenuFallback)
#include "tst_menufallback.moc"
