#pragma once

#include <QList>
#include <QString>

#include <xkbcommon/xkbcommon.h>

#include <functional>
#include <optional>

// Turns text into key presses for a keyboard that lacks some of its characters.

// The keysyms that type `text`, one per character: line breaks (LF, CR, CR LF)
// become Return, tabs Tab; other control characters are left out. Characters
// without a legacy keysym, emoji among them, get their Unicode keysym
// (0x1000000 + code point).
QList<xkb_keysym_t> keysymsForText(const QString &text);

// A stretch of keysyms typed under one temporary keymap change. `remapped` holds
// the distinct keysyms this stretch needs on spare keys; the n-th goes on the
// n-th spare keycode.
struct TypingChunk
{
    QList<xkb_keysym_t> keysyms;
    QList<xkb_keysym_t> remapped;
};

// Splits `keysyms` into as few chunks as the spare keys allow, keeping the
// typing order. Keysyms for which `isDirect` holds are typed on their own key
// and need no spare one. Returns nullopt when some keysym needs a spare key but
// there is none.
std::optional<QList<TypingChunk>> planTyping(const QList<xkb_keysym_t> &keysyms,
                                             const std::function<bool(xkb_keysym_t)> &isDirect,
                                             qsizetype spareKeys);
