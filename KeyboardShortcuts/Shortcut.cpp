#include "Shortcut.h"

#include "KeyDisplay.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace KeyboardShortcuts {
namespace {

const QString keyCodeMember = QStringLiteral("carbonKeyCode");
const QString modifiersMember = QStringLiteral("carbonModifiers");

// An integer member exactly as written: whole numbers only, within range.
std::optional<int> integerMember(const QJsonObject &object, const QString &member)
{
    const QJsonValue value = object.value(member);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(number);
}

} // namespace

Shortcut::Shortcut(int carbonKeyCode, int carbonModifiers)
    : carbonKeyCode(carbonKeyCode), carbonModifiers(normalizedCarbonModifiers(carbonModifiers))
{
}

Shortcut::Shortcut(Key key, ModifierFlags modifiers)
    : carbonKeyCode(key.rawValue), carbonModifiers(KeyboardShortcuts::carbonModifiers(modifiers))
{
}

std::optional<Shortcut> Shortcut::fromEvent(const KeyEvent &event)
{
    if (event.type == KeyEvent::Type::other)
        return std::nullopt;
    ModifierFlags flags = event.modifierFlags;
    flags.setFlag(ModifierFlag::function, false);
    return Shortcut(Key(event.keyCode), flags);
}

QByteArray Shortcut::toJson() const
{
    // QJsonObject orders members by name, which gives carbonKeyCode first.
    const QJsonObject object{{keyCodeMember, carbonKeyCode}, {modifiersMember, carbonModifiers}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<int> keyCode = integerMember(object, keyCodeMember);
    const std::optional<int> modifiers = integerMember(object, modifiersMember);
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(Exact{}, *keyCode, *modifiers);
}

QString Shortcut::description() const
{
    QString text = modifierText(modifiers());
    if (const std::optional<SpecialKey> special = specialKey(key()))
        return text + presentableDescription(*special);
    return text + capitalized(keyToCharacter(carbonKeyCode).value_or(QString(QChar(0xFFFD))));
}

std::optional<QString> Shortcut::nsMenuItemKeyEquivalent() const
{
    if (const std::optional<SpecialKey> special = specialKey(key()))
        return menuKeyEquivalent(*special);
    return keyToCharacter(carbonKeyCode);
}

} // namespace KeyboardShortcuts
