#include "QtKeys.h"

namespace KeyboardShortcuts {

Qt::KeyboardModifiers qtModifiers(ModifierFlags flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & ModifierFlag::control)
        modifiers |= Qt::ControlModifier;
    if (flags & ModifierFlag::option)
        modifiers |= Qt::AltModifier;
    if (flags & ModifierFlag::shift)
        modifiers |= Qt::ShiftModifier;
    if (flags & ModifierFlag::command)
        modifiers |= Qt::MetaModifier;
    if (flags & ModifierFlag::numericPad)
        modifiers |= Qt::KeypadModifier;
    return modifiers;
}

QKeySequence keySequenceForCharacter(const QString &character, Qt::KeyboardModifiers modifiers)
{
    const QString upper = character.toUpper();
    if (upper.size() != 1)
        return {};
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(upper.at(0).unicode())));
}

} // namespace KeyboardShortcuts
