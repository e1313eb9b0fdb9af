#include "KeysymNames.h"

#include "KeyDisplay.h"

#include <QHash>

namespace KeyboardShortcuts {
namespace {

QString specialKeyName(SpecialKey key)
{
    switch (key) {
    case SpecialKey::return_: return QStringLiteral("Return");
    case SpecialKey::delete_: return QStringLiteral("BackSpace");
    case SpecialKey::deleteForward: return QStringLiteral("Delete");
    case SpecialKey::end: return QStringLiteral("End");
    case SpecialKey::escape: return QStringLiteral("Escape");
    case SpecialKey::help: return QStringLiteral("Help");
    case SpecialKey::home: return QStringLiteral("Home");
    case SpecialKey::space: return QStringLiteral("space");
    case SpecialKey::tab: return QStringLiteral("Tab");
    case SpecialKey::pageUp: return QStringLiteral("Prior");
    case SpecialKey::pageDown: return QStringLiteral("Next");
    case SpecialKey::upArrow: return QStringLiteral("Up");
    case SpecialKey::rightArrow: return QStringLiteral("Right");
    case SpecialKey::downArrow: return QStringLiteral("Down");
    case SpecialKey::leftArrow: return QStringLiteral("Left");
    case SpecialKey::keypadClear: return QStringLiteral("Clear");
    case SpecialKey::keypadDecimal: return QStringLiteral("KP_Decimal");
    case SpecialKey::keypadDivide: return QStringLiteral("KP_Divide");
    case SpecialKey::keypadEnter: return QStringLiteral("KP_Enter");
    case SpecialKey::keypadEquals: return QStringLiteral("KP_Equal");
    case SpecialKey::keypadMinus: return QStringLiteral("KP_Subtract");
    case SpecialKey::keypadMultiply: return QStringLiteral("KP_Multiply");
    case SpecialKey::keypadPlus: return QStringLiteral("KP_Add");
    default: break;
    }
    const int index = int(key);
    if (index >= int(SpecialKey::f1) && index <= int(SpecialKey::f20))
        return QStringLiteral("F%1").arg(index - int(SpecialKey::f1) + 1);
    return QStringLiteral("KP_%1").arg(index - int(SpecialKey::keypad0));
}

// Characters whose keysym is not the character itself.
const QHash<QString, QString> &punctuationNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral(","), QStringLiteral("comma")},      {QStringLiteral("."), QStringLiteral("period")},
        {QStringLiteral("/"), QStringLiteral("slash")},      {QStringLiteral(";"), QStringLiteral("semicolon")},
        {QStringLiteral("'"), QStringLiteral("apostrophe")}, {QStringLiteral("\\"), QStringLiteral("backslash")},
        {QStringLiteral("`"), QStringLiteral("grave")},      {QStringLiteral("-"), QStringLiteral("minus")},
        {QStringLiteral("="), QStringLiteral("equal")},      {QStringLiteral("["), QStringLiteral("bracketleft")},
        {QStringLiteral("]"), QStringLiteral("bracketright")}, {QStringLiteral("<"), QStringLiteral("less")},
        {QStringLiteral("#"), QStringLiteral("numbersign")}, {QStringLiteral("+"), QStringLiteral("plus")},
    };
    return names;
}

} // namespace

std::optional<QString> keysymName(Key key)
{
    if (const std::optional<SpecialKey> special = specialKey(key))
        return specialKeyName(*special);
    const std::optional<QString> character = keyToCharacter(key.rawValue);
    if (!character)
        return std::nullopt;
    const QString lower = character->toLower();
    // Letters outside ASCII by their Unicode keysym ("U00E4"), which XKB reads too.
    const uint code = lower.toUcs4().value(0);
    if (code > 0x7e)
        return QStringLiteral("U%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
    return punctuationNames().value(lower, lower);
}

} // namespace KeyboardShortcuts
