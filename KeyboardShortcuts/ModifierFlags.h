#pragma once

#include <QFlags>

namespace KeyboardShortcuts {

// The platform's key-event modifier flags. Shortcuts store Carbon modifier bits
// instead (see CarbonModifier); the conversion keeps only control, option,
// shift, command and function.
enum class ModifierFlag : unsigned {
    capsLock = 0x10000,
    shift = 0x20000,
    control = 0x40000,
    option = 0x80000,
    command = 0x100000,
    numericPad = 0x200000,
    function = 0x800000,
};
Q_DECLARE_FLAGS(ModifierFlags, ModifierFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(ModifierFlags)

// Carbon modifier bits, the stored and registered form.
namespace CarbonModifier {
inline constexpr int command = 0x100;
inline constexpr int shift = 0x200;
inline constexpr int capsLock = 0x400;
inline constexpr int option = 0x800;
inline constexpr int control = 0x1000;
inline constexpr int function = 0x20000;
} // namespace CarbonModifier

// Both directions drop every bit outside the five of the table.
int carbonModifiers(ModifierFlags flags);
ModifierFlags modifierFlags(int carbonModifiers);
// Converted to flags and back: only the five table bits survive.
int normalizedCarbonModifiers(int carbonModifiers);

} // namespace KeyboardShortcuts
