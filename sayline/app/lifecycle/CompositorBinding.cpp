#include "CompositorBinding.h"

#include <KeysymNames.h>

#include <QStringList>

using namespace KeyboardShortcuts;

namespace {

// Modifier names in each syntax, in the order control, option, shift, command.
struct ModifierNames
{
    const char *control, *option, *shift, *command;
};

QStringList modifierList(ModifierFlags flags, const ModifierNames &names)
{
    QStringList list;
    if (flags.testFlag(ModifierFlag::control))
        list << QLatin1String(names.control);
    if (flags.testFlag(ModifierFlag::option))
        list << QLatin1String(names.option);
    if (flags.testFlag(ModifierFlag::shift))
        list << QLatin1String(names.shift);
    if (flags.testFlag(ModifierFlag::command))
        list << QLatin1String(names.command);
    return list;
}

} // namespace

QString compositorBindingLine(DesktopSession::Compositor compositor, const Shortcut &shortcut, const QString &command)
{
    using C = DesktopSession::Compositor;
    const QString key = keysymName(shortcut.key()).value_or(QStringLiteral("?"));
    const ModifierFlags flags = shortcut.modifiers();
    switch (compositor) {
    case C::sway: {
        QStringList parts = modifierList(flags, {"Ctrl", "Mod1", "Shift", "Mod4"});
        parts << key;
        return QStringLiteral("bindsym --no-repeat %1 exec %2").arg(parts.join(QLatin1Char('+')), command);
    }
    case C::hyprland:
        return QStringLiteral("bind = %1, %2, exec, %3")
            .arg(modifierList(flags, {"CTRL", "ALT", "SHIFT", "SUPER"}).join(QLatin1Char(' ')), key, command);
    case C::river: {
        const QStringList mods = modifierList(flags, {"Control", "Alt", "Shift", "Super"});
        return QStringLiteral("riverctl map normal %1 %2 spawn '%3'")
            .arg(mods.isEmpty() ? QStringLiteral("None") : mods.join(QLatin1Char('+')), key, command);
    }
    case C::labwc: {
        QStringList parts = modifierList(flags, {"C", "A", "S", "W"});
        parts << key;
        return QStringLiteral("<keybind key=\"%1\"><action name=\"Execute\" command=\"%2\"/></keybind>")
            .arg(parts.join(QLatin1Char('-')), command);
    }
    case C::kde:
    case C::gnome:
    case C::unknown:
        break;
    }
    QStringList parts = modifierList(flags, {"Ctrl", "Alt", "Shift", "Super"});
    parts << (key.size() == 1 ? key.toUpper() : key);
    return QStringLiteral("%1 → %2").arg(parts.join(QLatin1Char('+')), command);
}
