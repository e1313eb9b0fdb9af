#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

#include <xkbcommon/xkbcommon.h>

// A keymap of our own in which every key types one of the given keysyms with no
// modifier, in the text format a virtual keyboard uploads. Return and Tab keep
// their usual key positions (programs may look at those); every other keysym
// gets a key of its own from the rest of the range that X clients (XWayland)
// can see.
class TypingKeymap
{
public:
    // How many keysyms besides Return and Tab one keymap holds.
    static constexpr qsizetype capacity = 245;

    explicit TypingKeymap(const QList<xkb_keysym_t> &keysyms);

    // The keymap's text, NUL-terminated as the protocol expects.
    const QByteArray &text() const { return m_text; }
    // The evdev key code (xkb key code - 8) that types this keysym; the keysym
    // must be one of those given or Return or Tab.
    std::uint32_t keyFor(xkb_keysym_t keysym) const;

    static bool hasFixedKey(xkb_keysym_t keysym);

private:
    QList<xkb_keysym_t> m_keysyms;
    QByteArray m_text;
};
