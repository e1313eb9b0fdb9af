// Key names on a Wayland compositor (headless sway from with-sway): the layout
// the compositor announces, followed when it changes, and the ad-hoc keymaps of
// virtual keyboards that type text never taken for a layout.

#include "KeyboardLayout.h"

#include <QProcess>
#include <QtTest>

using KeyboardShortcuts::KeyboardLayout;

namespace {

bool swaymsg(const QString &command)
{
    QProcess process;
    process.start(QStringLiteral("swaymsg"), {command});
    return process.waitForFinished() && process.exitCode() == 0;
}

bool sessionHasKeyboard()
{
    QProcess inputs;
    inputs.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_inputs")});
    return inputs.waitForFinished() && inputs.readAllStandardOutput().contains("\"type\": \"keyboard\"");
}

// wtype types with a keymap of its own, made for its text.
bool typeWithWtype(const QString &text)
{
    return QProcess::execute(QStringLiteral("wtype"), {text}) == 0;
}

} // namespace

class TestWaylandKeyboardLayout : public QObject
{
    Q_OBJECT

private slots:
    void keyPositionsFollowTheLayout()
    {
        const auto layout = KeyboardShortcuts::makeWaylandKeyboardLayout();
        // The headless session has no keyboard yet: nothing to name keys by.
        QCOMPARE(layout->translate(0), std::nullopt);

        // A keyboard for the seat (a virtual one; sway puts its layout on it too).
        QProcess keyboard;
        keyboard.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("30000")});
        QVERIFY(keyboard.waitForStarted());
        // sway puts its layout on a virtual keyboard when its settings change.
        QTRY_VERIFY(sessionHasKeyboard());

        // Carbon codes: a 0, z 6, y 16, semicolon 41, one 18, ` 50, = 24.
        // us first would change nothing: it is sway's default.
        const QList<std::tuple<QString, int, QString>> rows = {
            {"de", 6, "y"}, {"de", 16, "z"}, {"de", 41, "ö"}, {"de", 24, "´"}, {"fr", 0, "q"},
            {"fr", 18, "&"}, {"us", 0, "a"},  {"us", 6, "z"},  {"us", 41, ";"},
        };
        for (const auto &[name, carbonKeyCode, character] : rows) {
            QVERIFY(swaymsg(QStringLiteral("input type:keyboard xkb_layout ") + name));
            QTRY_COMPARE(layout->translate(carbonKeyCode), std::optional<QString>(character));
        }
        QCOMPARE(layout->translate(52), std::nullopt); // no key position
        QCOMPARE(layout->translate(123), std::nullopt); // left arrow types nothing

        // Text typed through another virtual keyboard with its own keymap.
        QVERIFY(swaymsg(QStringLiteral("input type:keyboard xkb_layout de")));
        QTRY_COMPARE(layout->translate(6), std::optional<QString>("y"));
        QVERIFY(typeWithWtype(QStringLiteral("é😀")));
        QTest::qWait(200);
        QCOMPARE(layout->translate(6), std::optional<QString>("y"));
        keyboard.kill();
        keyboard.waitForFinished();
    }

    void withoutCompositorNoKeyHasAName()
    {
        qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-0");
        const auto layout = KeyboardShortcuts::makeWaylandKeyboardLayout();
        QCOMPARE(layout->translate(0), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestWaylandKeyboardLayout)
#include "tst_waylandkeyboardlayout.moc"
