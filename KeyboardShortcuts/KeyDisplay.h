#pragma once

#include "Key.h"
#include "ModifierFlags.h"

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// The 53 keys shown with a fixed glyph or name instead of the character they type.
enum class SpecialKey {
    return_, delete_, deleteForward, end, escape, help, home, space, tab, pageUp, pageDown,
    upArrow, rightArrow, downArrow, leftArrow,
    f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18, f19, f20,
    keypad0, keypad1, keypad2, keypad3, keypad4, keypad5, keypad6, keypad7, keypad8, keypad9,
    keypadClear, keypadDecimal, keypadDivide, keypadEnter, keypadEquals, keypadMinus, keypadMultiply, keypadPlus,
};

// The special key at this key code, if any.
std::optional<SpecialKey> specialKey(Key key);
Key keyOf(SpecialKey key);
// The display text, e.g. "⎋", "F5", "1⃣", or the localized word for Space.
QString presentableDescription(SpecialKey key);
// The menu key equivalent; none for keypad keys.
std::optional<QString> menuKeyEquivalent(SpecialKey key);

// The modifier glyphs in their fixed order ⌃⌥⇧⌘🌐︎, empty when none are set.
QString modifierText(ModifierFlags flags);

// The single character this key code types on the current layout without
// modifiers; none for special keys, without a layout, or when the key types
// nothing or more than one character. Asks the layout afresh at every call.
std::optional<QString> keyToCharacter(int keyCode);

// Upper-cases the first letter of every word and lower-cases the rest.
QString capitalized(const QString &text);

} // namespace KeyboardShortcuts
