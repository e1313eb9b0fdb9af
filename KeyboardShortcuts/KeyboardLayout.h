#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace KeyboardShortcuts {

// The current keyboard layout: what a key types. The X11 adapter (x11/) reads
// it with xkbcommon-x11 and follows layout changes; tests install a fake.
class KeyboardLayout
{
public:
    virtual ~KeyboardLayout() = default;

    // The text the key at this Carbon key code types on the current layout with
    // no modifiers (group of the current layout, shift level 1). A dead key gives
    // the character it shows (e.g. "^"). None when no layout is available or the
    // key types nothing. The text may hold more than one character; the caller
    // decides what to do with that.
    virtual std::optional<QString> translate(int carbonKeyCode) = 0;

    // The process-wide instance; made by makeDefaultKeyboardLayout() on first use.
    static KeyboardLayout &shared();
    static void setShared(std::unique_ptr<KeyboardLayout> layout);
};

// Defined by the platform adapter (x11/), bound at link time.
std::unique_ptr<KeyboardLayout> makeDefaultKeyboardLayout();
// The layout a Wayland compositor announces (wayland/); install it with
// setShared() in a Wayland session.
std::unique_ptr<KeyboardLayout> makeWaylandKeyboardLayout();

} // namespace KeyboardShortcuts
