#pragma once
// Carbon virtual key codes name key positions of an ANSI keyboard, as Linux
// evdev codes do; an X key code is the evdev code plus 8. Carbon modifier bits
// map onto the X core modifier masks.

#include <cstdint>
#include <optional>

namespace KeyboardShortcuts::X11 {

// The X key code at the position of a Carbon key code, none for a code without one.
std::optional<std::uint8_t> xKeyCodeForCarbonKeyCode(int carbonKeyCode);

// The inverse of xKeyCodeForCarbonKeyCode.
std::optional<int> carbonKeyCodeForXKeyCode(std::uint8_t xKeyCode);

// The X modifier mask for Carbon modifiers: control -> Control, option -> Mod1,
// shift -> Shift, command -> Mod4 (Super). None when the function bit is set:
// X has no modifier for it, so such a combination cannot be grabbed. Lock and
// side bits are ignored: lock states are grabbed separately, sides are not told apart.
std::optional<std::uint16_t> xModifierMaskForCarbonModifiers(int carbonModifiers);

// The Carbon modifiers for an X modifier state (Shift, Control, Mod1, Mod4 only).
int carbonModifiersForXModifierMask(std::uint16_t xMask);

} // namespace KeyboardShortcuts::X11
