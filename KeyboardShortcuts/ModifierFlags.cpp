#include "ModifierFlags.h"

#include <array>
#include <utility>

namespace KeyboardShortcuts {
namespace {

constexpr std::array<std::pair<ModifierFlag, int>, 5> modifierTable{{
    {ModifierFlag::control, CarbonModifier::control},
    {ModifierFlag::option, CarbonModifier::option},
    {ModifierFlag::shift, CarbonModifier::shift},
    {ModifierFlag::command, CarbonModifier::command},
    {ModifierFlag::function, CarbonModifier::function},
}};

} // namespace

int carbonModifiers(ModifierFlags flags)
{
    int carbon = 0;
    for (const auto &[flag, bit] : modifierTable) {
        if (flags.testFlag(flag))
            carbon |= bit;
    }
    return carbon;
}

ModifierFlags modifierFlags(int carbonModifiers)
{
    ModifierFlags flags;
    for (const auto &[flag, bit] : modifierTable) {
        if (carbonModifiers & bit)
            flags |= flag;
    }
    return flags;
}

int normalizedCarbonModifiers(int carbonModifiers)
{
    return KeyboardShortcuts::carbonModifiers(modifierFlags(carbonModifiers));
}

} // namespace KeyboardShortcuts
