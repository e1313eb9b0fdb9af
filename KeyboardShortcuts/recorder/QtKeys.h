#pragma once

#include "../ModifierFlags.h"

#include <QKeySequence>
#include <QString>

namespace KeyboardShortcuts {

// Platform modifier flags as Qt modifiers, the inverse of KeyEvent's reading:
// control Ctrl, option Alt, shift Shift, command Meta, numeric pad Keypad.
// Caps Lock and Function have no Qt modifier and are dropped.
Qt::KeyboardModifiers qtModifiers(ModifierFlags flags);

// The key sequence of one character (its Qt key is its upper-case code point)
// with modifiers; empty for anything but a single character.
QKeySequence keySequenceForCharacter(const QString &character, Qt::KeyboardModifiers modifiers);

} // namespace KeyboardShortcuts
