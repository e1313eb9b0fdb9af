#pragma once

#include "XcbConnection.h"
#include "XkbHandles.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// A snapshot of the display's keyboard as synthetic typing needs it: which key
// produces a keysym when pressed on its own right now, which keycodes are unused
// and may carry keysyms for a while, and which keys are modifiers.
class XKeyboardLayout
{
public:
    // Reads the keymap and the lock/group state; nullopt when the display has no
    // usable XKB keyboard.
    static std::optional<XKeyboardLayout> read(const XcbConnection &connection);

    // The key that yields `keysym` when pressed with no modifier held, in the
    // current group and with the current locks (Caps Lock, Num Lock) applied.
    std::optional<xcb_keycode_t> directKeycode(xkb_keysym_t keysym) const;

    // The keycodes without any keysym and outside the modifier map, ascending.
    const QList<xcb_keycode_t> &spareKeycodes() const { return m_spare; }

    // The first keysym of a key in the core keyboard mapping (NoSymbol when none).
    xcb_keysym_t coreKeysym(xcb_keycode_t key) const { return m_coreKeysyms.value(key); }

    // Modifier keys (Shift, Control, Alt, Super, AltGr...) by keycode, with a
    // readable name; lock keys are not included.
    const QHash<xcb_keycode_t, QString> &modifierKeys() const { return m_modifiers; }

private:
    XKeyboardLayout() = default;
    void readDirectKeys(xkb_keymap *keymap, xkb_state *deviceState);
    void readModifierKeys(xkb_keymap *keymap);
    bool readCoreMapping(const XcbConnection &connection, xkb_keymap *keymap);

    QHash<xkb_keysym_t, xcb_keycode_t> m_direct;
    QList<xcb_keycode_t> m_spare;
    QHash<xcb_keycode_t, QString> m_modifiers;
    QHash<xcb_keycode_t, xcb_keysym_t> m_coreKeysyms;
};
