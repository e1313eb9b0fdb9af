#include "CarbonKeyPositions.h"

#include "CarbonKeyCodes.h"
#include "ModifierFlags.h"

#include <xcb/xproto.h>

namespace KeyboardShortcuts::X11 {
namespace {

constexpr int evdevToX = 8;
constexpr int maxXKeyCode = 255;

} // namespace

std::optional<std::uint8_t> xKeyCodeForCarbonKeyCode(int carbonKeyCode)
{
    const auto evdev = evdevCodeForCarbonKeyCode(carbonKeyCode);
    // The core protocol has 8-bit key codes: keys like Fn (evdev 464) cannot be grabbed.
    if (!evdev || *evdev + evdevToX > maxXKeyCode)
        return std::nullopt;
    return static_cast<std::uint8_t>(*evdev + evdevToX);
}

std::optional<std::uint16_t> xModifierMaskForCarbonModifiers(int carbonModifiers)
{
    if (carbonModifiers & CarbonModifier::function)
        return std::nullopt;
    std::uint16_t mask = 0;
    if (carbonModifiers & CarbonModifier::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & CarbonModifier::option)
        mask |= XCB_MOD_MASK_1;
    if (carbonModifiers & CarbonModifier::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (carbonModifiers & CarbonModifier::command)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

} // namespace KeyboardShortcuts::X11
