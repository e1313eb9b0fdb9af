#pragma once
// Carbon key codes and modifier bits as X key codes and modifier masks. The key
// positions come from the one Carbon/evdev table (CarbonKeyCodes.h).

#include <cstdint>
#include <optional>

namespace KeyboardShortcuts::X11 {

// The X key code at the position of a Carbon key code, none for a code without one.
std::optional<std::uint8_t> xKeyCodeForCarbonKeyCode(int carbonKeyCode);

// The X modifier mask for Carbon modifiers: control -> Control, option -> Mod1,
// shift -> Shift, command -> Mod4 (Super). None when the function bit is set:
// X has no modifier for it, so such a combination cannot be grabbed. Lock and
// side bits are ignored: lock states are grabbed separately, sides are not told apart.
std::optional<std::uint16_t> xModifierMaskForCarbonModifiers(int carbonModifiers);

} // namespace KeyboardShortcuts::X11
