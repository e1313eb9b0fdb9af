// What a launch asks for, the compositor bindings the settings offer for it,
// and the trigger the panel names after "Submit".
#include "CompositorBinding.h"
#include "InstanceCommand.h"
#include "SubmitHint.h"

#include <KeyboardLayout.h>

#include <QTest>

namespace {
// The US layout's letters; special keys never reach it.
struct UsLetters : KeyboardShortcuts::KeyboardLayout
{
    std::optional<QString> translate(int carbonKeyCode) override
    {
        if (carbonKeyCode == KeyboardShortcuts::Key::a.rawValue)
            return QStringLiteral("a");
        if (carbonKeyCode == KeyboardShortcuts::Key::comma.rawValue)
            return QStringLiteral(",");
        return std::nullopt;
    }
};

CommandLineRequest parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("sayline"));
    std::vector<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    return parseCommandLine(int(argv.size()), argv.data());
}
} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KeyboardShortcuts::KeyboardLayout::setShared(std::make_unique<UsLetters>()); }

    void commands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("exitStatus"); // -1: goes on
        QTest::newRow("plain launch") << QStringList{} << int(InstanceCommand::launch) << -1;
        QTest::newRow("toggle") << QStringList{"--toggle"} << int(InstanceCommand::toggle) << -1;
        QTest::newRow("cancel") << QStringList{"--cancel"} << int(InstanceCommand::cancel) << -1;
        QTest::newRow("Qt option passes") << QStringList{"-platform", "offscreen", "--settings"}
                                          << int(InstanceCommand::settings) << -1;
        QTest::newRow("same twice") << QStringList{"--start", "--start"} << int(InstanceCommand::start) << -1;
        QTest::newRow("two commands") << QStringList{"--toggle", "--cancel"} << int(InstanceCommand::launch) << 2;
        QTest::newRow("unknown") << QStringList{"--toogle"} << int(InstanceCommand::launch) << 2;
        QTest::newRow("help") << QStringList{"--help"} << int(InstanceCommand::launch) << 0;
    }
    void commands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, command);
        QFETCH(int, exitStatus);
        const CommandLineRequest request = parse(arguments);
        QCOMPARE(int(request.command), command);
        QCOMPARE(request.exitStatus.value_or(-1), exitStatus);
        // Every command survives the trip over the socket.
        QCOMPARE(commandFromMessage(messageFor(request.command)), std::optional(request.command));
    }

    void bindingLines_data()
    {
        using C = DesktopSession::Compositor;
        using namespace KeyboardShortcuts;
        const Shortcut toggle(Key::a, ModifierFlags(ModifierFlag::control) | ModifierFlag::command);
        const Shortcut cancel(Key::escape);
        const Shortcut punctuation(Key::comma, ModifierFlags(ModifierFlag::option) | ModifierFlag::shift);
        QTest::addColumn<int>("compositor");
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("line");
        QTest::newRow("sway") << int(C::sway) << toggle << "bindsym --no-repeat Ctrl+Mod4+a exec sayline --toggle";
        QTest::newRow("sway escape") << int(C::sway) << cancel << "bindsym --no-repeat Escape exec sayline --toggle";
        QTest::newRow("sway comma") << int(C::sway) << punctuation
                                    << "bindsym --no-repeat Mod1+Shift+comma exec sayline --toggle";
        QTest::newRow("hyprland") << int(C::hyprland) << toggle << "bind = CTRL SUPER, a, exec, sayline --toggle";
        QTest::newRow("river") << int(C::river) << toggle
                               << "riverctl map normal Control+Super a spawn 'sayline --toggle'";
        QTest::newRow("river bare key") << int(C::river) << cancel
                                        << "riverctl map normal None Escape spawn 'sayline --toggle'";
        QTest::newRow("labwc") << int(C::labwc) << toggle
                               << "<keybind key=\"C-W-a\"><action name=\"Execute\" command=\"sayline --toggle\"/></keybind>";
        QTest::newRow("other") << int(C::unknown) << toggle << "Ctrl+Super+A → sayline --toggle";
    }
    void bindingLines()
    {
        QFETCH(int, compositor);
        QFETCH(KeyboardShortcuts::Shortcut, shortcut);
        QFETCH(QString, line);
        QCOMPARE(compositorBindingLine(DesktopSession::Compositor(compositor), shortcut, QStringLiteral("sayline --toggle")),
                 line);
    }

    // The stored shortcut where Sayline grabs it, the desktop's description
    // where the desktop binds it; both written the panel's way.
    void submitHints_data()
    {
        using namespace KeyboardShortcuts;
        QTest::addColumn<QString>("described"); // empty: the stored shortcut below
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QStringList>("hint");
        const Shortcut none(Key::a);
        QTest::newRow("stored default") << QString() << Shortcut(Key::a, ModifierFlags(ModifierFlag::control) | ModifierFlag::command)
                                        << QStringList{"^", "⌘", "A"};
        QTest::newRow("stored comma") << QString() << Shortcut(Key::comma, ModifierFlags(ModifierFlag::option) | ModifierFlag::shift)
                                      << QStringList{"⌥", "⇧", ","};
        QTest::newRow("stored F9") << QString() << Shortcut(Key::f9) << QStringList{"F9"};
        QTest::newRow("KDE") << "Meta+Ctrl+A" << none << QStringList{"^", "⌘", "A"};
        QTest::newRow("KDE, other key") << "Ctrl+Alt+Shift+F9" << none << QStringList{"^", "⌥", "⇧", "F9"};
        QTest::newRow("GNOME") << "<Control><Super>a" << none << QStringList{"^", "⌘", "A"};
        QTest::newRow("plus") << "Ctrl++" << none << QStringList{"^", "+"};
        QTest::newRow("no key") << "Meta+Ctrl" << none << QStringList{};
    }
    void submitHints()
    {
        QFETCH(QString, described);
        QFETCH(KeyboardShortcuts::Shortcut, shortcut);
        QFETCH(QStringList, hint);
        QCOMPARE(described.isEmpty() ? submitHintForShortcut(shortcut) : submitHintForDescribedTrigger(described), hint);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
