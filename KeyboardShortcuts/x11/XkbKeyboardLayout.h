#pragma once
// The character a key position produces on the current keyboard layout, read
// with libxkbcommon from the X server over a connection of its own. The keymap is
// kept until the server announces a new one (XKB NewKeyboardNotify or MapNotify,
// as after `setxkbmap de`); the active layout group is asked afresh on each call.
// Keys are named after the current group when it types Latin letters, else
// after the first group that does (with `ru,us` the A key is "a", not "ф").

#include "XcbHandles.h"

#include <QString>

#include <memory>
#include <optional>

namespace KeyboardShortcuts::X11 {

class XkbKeyboardLayout
{
public:
    // Connects to $DISPLAY; none when there is no X server or it lacks XKB.
    static std::unique_ptr<XkbKeyboardLayout> connect();

    // What the key at a Carbon key code's position types at the first shift level,
    // without modifiers, in the current group or, when that one types no Latin
    // letters, the first group that does (a dead key: its accent, e.g. "^");
    // none for no key position or no text.
    std::optional<QString> character(int carbonKeyCode);

    // How many times a keymap has been read from the server (for tests and benchmarks).
    int keymapLoads() const { return m_keymapLoads; }

private:
    XkbKeyboardLayout(XcbConnection connection, XkbContext context, std::int32_t deviceId,
                      std::uint8_t xkbFirstEvent);
    std::optional<std::uint8_t> currentGroup();
    void forgetKeymapIfReplaced();

    XcbConnection m_connection;
    XkbContext m_context;
    std::int32_t m_deviceId;
    std::uint8_t m_xkbFirstEvent;
    XkbKeymap m_keymap;
    int m_keymapLoads = 0;
};

} // namespace KeyboardShortcuts::X11
