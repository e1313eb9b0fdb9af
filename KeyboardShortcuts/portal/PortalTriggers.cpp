#include "PortalTriggers.h"

#include "KeyDisplay.h"
#include "KeysymNames.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace KeyboardShortcuts {
namespace {

struct Modifier
{
    int carbonBit;
    const char *portal;
    const char *readable;
    const char *qt;
    ModifierFlag flag;
};

// In the order both forms write them.
constexpr Modifier modifierTable[] = {
    {CarbonModifier::control, "CTRL", "Ctrl", "Ctrl", ModifierFlag::control},
    {CarbonModifier::option, "ALT", "Alt", "Alt", ModifierFlag::option},
    {CarbonModifier::shift, "SHIFT", "Shift", "Shift", ModifierFlag::shift},
    {CarbonModifier::command, "LOGO", "Super", "Meta", ModifierFlag::command},
};

// Every spelling of a modifier that desktops write, by its portal name.
const QHash<QString, QString> &modifierSpellings()
{
    static const QHash<QString, QString> spellings{
        {QStringLiteral("ctrl"), QStringLiteral("CTRL")},    {QStringLiteral("control"), QStringLiteral("CTRL")},
        {QStringLiteral("primary"), QStringLiteral("CTRL")}, {QStringLiteral("alt"), QStringLiteral("ALT")},
        {QStringLiteral("mod1"), QStringLiteral("ALT")},     {QStringLiteral("shift"), QStringLiteral("SHIFT")},
        {QStringLiteral("logo"), QStringLiteral("LOGO")},    {QStringLiteral("super"), QStringLiteral("LOGO")},
        {QStringLiteral("meta"), QStringLiteral("LOGO")},    {QStringLiteral("mod4"), QStringLiteral("LOGO")},
        {QStringLiteral("win"), QStringLiteral("LOGO")},
    };
    return spellings;
}

// Qt's names of the special keys whose XKB names differ.
const QHash<QString, QString> &qtSpecialKeyNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("Escape"), QStringLiteral("Esc")}, {QStringLiteral("BackSpace"), QStringLiteral("Backspace")},
        {QStringLiteral("Delete"), QStringLiteral("Del")}, {QStringLiteral("Prior"), QStringLiteral("PgUp")},
        {QStringLiteral("Next"), QStringLiteral("PgDown")}, {QStringLiteral("space"), QStringLiteral("Space")},
    };
    return names;
}

QString joinedTrigger(const Shortcut &shortcut, const char *Modifier::*form, const QString &key)
{
    QStringList parts;
    for (const Modifier &modifier : modifierTable) {
        if (shortcut.carbonModifiers & modifier.carbonBit)
            parts.append(QLatin1String(modifier.*form));
    }
    parts.append(key);
    return parts.join(QLatin1Char('+'));
}

// A key as shortcut texts write it: the character it types, in capitals, or
// the special key's name ("Esc", "F5").
QString qtKeyName(const Shortcut &shortcut)
{
    if (!specialKey(shortcut.key())) {
        if (const std::optional<QString> character = keyToCharacter(shortcut.carbonKeyCode))
            return character->toUpper();
    }
    const QString name = keysymName(shortcut.key()).value_or(QStringLiteral("?"));
    return qtSpecialKeyNames().value(name, name);
}

struct ParsedTrigger
{
    QSet<QString> modifiers; // by their portal names
    QString key;             // lower case
    QString keyAsWritten;
    friend bool operator==(const ParsedTrigger &a, const ParsedTrigger &b)
    {
        return a.modifiers == b.modifiers && a.key == b.key;
    }
};

ParsedTrigger parse(QString text)
{
    // "<Control><Super>a" → "Control+Super+a"
    text.remove(QLatin1Char('<')).replace(QLatin1Char('>'), QLatin1Char('+'));
    QStringList parts = text.split(QLatin1Char('+'));
    // A trailing "+" is the plus key itself ("Ctrl++").
    if (text.endsWith(QLatin1String("++"))) {
        parts.removeLast();
        parts.last() = QStringLiteral("plus");
    }
    ParsedTrigger parsed;
    for (const QString &part : std::as_const(parts)) {
        const QString word = part.trimmed().toLower();
        if (word.isEmpty())
            continue;
        if (const auto it = modifierSpellings().find(word); it != modifierSpellings().end())
            parsed.modifiers.insert(*it);
        else {
            parsed.key = word;
            parsed.keyAsWritten = part.trimmed();
        }
    }
    if (parsed.key == QLatin1String("esc"))
        parsed.key = QStringLiteral("escape");
    if (parsed.key == QLatin1String("plus"))
        parsed.keyAsWritten = QStringLiteral("+");
    return parsed;
}

} // namespace

std::optional<QString> portalTrigger(const Shortcut &shortcut)
{
    const std::optional<QString> key = keysymName(shortcut.key());
    if (!key)
        return std::nullopt;
    return joinedTrigger(shortcut, &Modifier::portal, *key);
}

QString readableTrigger(const Shortcut &shortcut)
{
    return joinedTrigger(shortcut, &Modifier::readable, qtKeyName(shortcut));
}

QString qtKeySequenceText(const Shortcut &shortcut)
{
    return joinedTrigger(shortcut, &Modifier::qt, qtKeyName(shortcut));
}

bool sameTrigger(const QString &described, const QString &asked)
{
    const ParsedTrigger a = parse(described);
    return !a.key.isEmpty() && a == parse(asked);
}

std::optional<DescribedTrigger> describedTrigger(const QString &described)
{
    const ParsedTrigger parsed = parse(described);
    if (parsed.key.isEmpty())
        return std::nullopt;
    DescribedTrigger trigger;
    for (const Modifier &modifier : modifierTable) {
        if (parsed.modifiers.contains(QLatin1String(modifier.portal)))
            trigger.modifiers |= modifier.flag;
    }
    trigger.key = parsed.keyAsWritten.left(1).toUpper() + parsed.keyAsWritten.mid(1);
    return trigger;
}

} // namespace KeyboardShortcuts
