#include "KeyDisplay.h"

#include "KeyboardLayout.h"
#include "Localization.h"

#include <QHash>
#include <QTextBoundaryFinder>

#include <array>

namespace KeyboardShortcuts {
namespace {

constexpr int specialKeyCount = 53;
constexpr int firstFunctionKey = int(SpecialKey::f1);
constexpr int firstKeypadDigit = int(SpecialKey::keypad0);
constexpr char16_t enclosingKeycap = 0x20E3;
constexpr char16_t firstFunctionKeyEquivalent = 0xF704; // F1; F20 is U+F717

// Key codes in SpecialKey order.
constexpr std::array<int, specialKeyCount> specialKeyCodes{
    36, 51, 117, 119, 53, 114, 115, 49, 48, 116, 121, 126, 124, 125, 123,           // return … leftArrow
    122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90, // f1 … f20
    82, 83, 84, 85, 86, 87, 88, 89, 91, 92,                                          // keypad0 … keypad9
    71, 65, 75, 76, 81, 78, 67, 69,                                                  // keypadClear … keypadPlus
};

// Glyphs of the keys before F1 (Space is localized), and of the keypad keys after the digits.
const std::array<QString, firstFunctionKey> leadingGlyphs{
    QStringLiteral(u"↩"), QStringLiteral(u"⌫"), QStringLiteral(u"⌦"), QStringLiteral(u"↘"), QStringLiteral(u"⎋"),
    QStringLiteral(u"?\u20DD"), QStringLiteral(u"↖"), QString(), QStringLiteral(u"⇥"), QStringLiteral(u"⇞"),
    QStringLiteral(u"⇟"), QStringLiteral(u"↑"), QStringLiteral(u"→"), QStringLiteral(u"↓"), QStringLiteral(u"←"),
};
const std::array<QString, 8> keypadSymbols{
    QStringLiteral(u"☒"), QStringLiteral("."), QStringLiteral("/"), QStringLiteral(u"↩"),
    QStringLiteral("="), QStringLiteral("-"), QStringLiteral("*"), QStringLiteral("+"),
};

const QHash<int, SpecialKey> &specialKeysByCode()
{
    static const QHash<int, SpecialKey> map = [] {
        QHash<int, SpecialKey> keys;
        for (int index = 0; index < specialKeyCount; ++index)
            keys.insert(specialKeyCodes[index], SpecialKey(index));
        return keys;
    }();
    return map;
}

bool isKeypad(SpecialKey key)
{
    return int(key) >= firstKeypadDigit;
}

bool isFunctionKey(SpecialKey key)
{
    return int(key) >= firstFunctionKey && int(key) < firstKeypadDigit;
}

int graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

} // namespace

std::optional<SpecialKey> specialKey(Key key)
{
    const auto &map = specialKeysByCode();
    const auto it = map.constFind(key.rawValue);
    if (it == map.constEnd())
        return std::nullopt;
    return *it;
}

Key keyOf(SpecialKey key)
{
    return Key(specialKeyCodes[size_t(key)]);
}

QString presentableDescription(SpecialKey key)
{
    const int index = int(key);
    if (key == SpecialKey::space)
        return capitalized(localized(QStringLiteral("space_key")));
    if (index < firstFunctionKey)
        return leadingGlyphs[index];
    if (isFunctionKey(key))
        return QStringLiteral("F%1").arg(index - firstFunctionKey + 1);
    if (key <= SpecialKey::keypad9)
        return QString::number(index - firstKeypadDigit) + QChar(enclosingKeycap);
    return keypadSymbols[index - int(SpecialKey::keypadClear)] + QChar(enclosingKeycap);
}

std::optional<QString> menuKeyEquivalent(SpecialKey key)
{
    if (isKeypad(key))
        return std::nullopt;
    if (key == SpecialKey::space)
        return QStringLiteral(" ");
    if (isFunctionKey(key))
        return QString(QChar(char16_t(firstFunctionKeyEquivalent + int(key) - firstFunctionKey)));
    return leadingGlyphs[size_t(key)];
}

QString modifierText(ModifierFlags flags)
{
    QString text;
    if (flags.testFlag(ModifierFlag::control))
        text += QStringLiteral(u"⌃");
    if (flags.testFlag(ModifierFlag::option))
        text += QStringLiteral(u"⌥");
    if (flags.testFlag(ModifierFlag::shift))
        text += QStringLiteral(u"⇧");
    if (flags.testFlag(ModifierFlag::command))
        text += QStringLiteral(u"⌘");
    if (flags.testFlag(ModifierFlag::function))
        text += QStringLiteral(u"\U0001F310\uFE0E");
    return text;
}

std::optional<QString> keyToCharacter(int keyCode)
{
    // Key codes are 16-bit on the platform side; anything else types nothing.
    if (keyCode < 0 || keyCode > 0xFFFF || specialKey(Key(keyCode)))
        return std::nullopt;
    const std::optional<QString> text = KeyboardLayout::shared().translate(keyCode);
    if (!text || graphemeCount(*text) != 1)
        return std::nullopt;
    return text;
}

QString capitalized(const QString &text)
{
    QList<uint> codePoints = text.toUcs4();
    bool atWordStart = true;
    for (uint &codePoint : codePoints) {
        const char32_t c = char32_t(codePoint);
        if (QChar::isSpace(c)) {
            atWordStart = true;
            continue;
        }
        codePoint = atWordStart ? QChar::toTitleCase(c) : QChar::toLower(c);
        atWordStart = false;
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()), codePoints.size());
}

} // namespace KeyboardShortcuts
