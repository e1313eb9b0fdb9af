// The character of a key position on the layout the X server has now, following
// `setxkbmap` without a restart.

#include "XkbKeyboardLayout.h"
#include "X11TestSupport.h"

#include <QtTest>

using namespace KeyboardShortcuts::X11;

class TestX11KeyboardLayout : public QObject
{
    Q_OBJECT

private slots:
    void keyPositionsFollowTheLayout_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("carbonKeyCode");
        QTest::addColumn<QString>("character"); // null: none
        // Carbon codes: a 0, q 12, z 6, y 16, semicolon 41, one 18, [ 33, ` 50, = 24.
        QTest::newRow("us: A position") << "us" << 0 << "a";
        QTest::newRow("us: Z position") << "us" << 6 << "z";
        QTest::newRow("us: semicolon position") << "us" << 41 << ";";
        QTest::newRow("de: Z position types y") << "de" << 6 << "y";
        QTest::newRow("de: Y position types z") << "de" << 16 << "z";
        QTest::newRow("de: semicolon position types ö") << "de" << 41 << "ö";
        QTest::newRow("fr: A position types q") << "fr" << 0 << "q";
        QTest::newRow("fr: Q position types a") << "fr" << 12 << "a";
        QTest::newRow("fr: 1 position types &") << "fr" << 18 << "&";
        QTest::newRow("fr: [ position shows its dead circumflex") << "fr" << 33 << "^";
        QTest::newRow("de: ` position shows its dead circumflex") << "de" << 50 << "^";
        QTest::newRow("de: = position shows its dead acute") << "de" << 24 << "´";
        QTest::newRow("back to us: A position") << "us" << 0 << "a";
        QTest::newRow("no key position") << "us" << 52 << QString();
        QTest::newRow("negative code") << "us" << -1 << QString();
        QTest::newRow("left arrow types nothing") << "us" << 123 << QString();
    }

    void keyPositionsFollowTheLayout()
    {
        QFETCH(QString, layout);
        QFETCH(int, carbonKeyCode);
        QFETCH(QString, character);
        static std::unique_ptr<XkbKeyboardLayout> keyboard = XkbKeyboardLayout::connect();
        QVERIFY(keyboard);
        QVERIFY(X11TestSupport::runTool("setxkbmap", {"-layout", layout}));
        QCOMPARE(keyboard->character(carbonKeyCode),
                 character.isNull() ? std::nullopt : std::optional<QString>(character));
    }

    void keymapIsReadOnlyAfterAChange()
    {
        auto keyboard = XkbKeyboardLayout::connect();
        QVERIFY(keyboard);
        QVERIFY(X11TestSupport::runTool("setxkbmap", {"-layout", "us"}));
        QCOMPARE(keyboard->character(0), std::optional<QString>("a"));
        QCOMPARE(keyboard->character(6), std::optional<QString>("z"));
        QCOMPARE(keyboard->keymapLoads(), 1);
        QVERIFY(X11TestSupport::runTool("setxkbmap", {"-layout", "de"}));
        QCOMPARE(keyboard->character(6), std::optional<QString>("y"));
        QCOMPARE(keyboard->keymapLoads(), 2);
    }
};

QTEST_MAIN(TestX11KeyboardLayout)
#include "tst_x11keyboardlayout.moc"
