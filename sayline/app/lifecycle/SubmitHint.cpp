#include "SubmitHint.h"

#include <KeyDisplay.h>
#include <PortalTriggers.h>

namespace {

// The panel writes Control as a caret, the others with their usual glyphs.
QStringList modifierTexts(KeyboardShortcuts::ModifierFlags flags)
{
    using KeyboardShortcuts::ModifierFlag;
    QStringList texts;
    if (flags.testFlag(ModifierFlag::control))
        texts << QStringLiteral("^");
    if (flags.testFlag(ModifierFlag::option))
        texts << QStringLiteral(u"⌥");
    if (flags.testFlag(ModifierFlag::shift))
        texts << QStringLiteral(u"⇧");
    if (flags.testFlag(ModifierFlag::command))
        texts << QStringLiteral(u"⌘");
    return texts;
}

} // namespace

QStringList submitHintForShortcut(const KeyboardShortcuts::Shortcut &shortcut)
{
    // The description leads with the modifier glyphs; the rest is the key.
    const QString glyphs = KeyboardShortcuts::modifierText(shortcut.modifiers());
    return modifierTexts(shortcut.modifiers()) << shortcut.description().mid(glyphs.size());
}

QStringList submitHintForDescribedTrigger(const QString &described)
{
    const std::optional<KeyboardShortcuts::DescribedTrigger> trigger = KeyboardShortcuts::describedTrigger(described);
    if (!trigger)
        return {};
    return modifierTexts(trigger->modifiers) << trigger->key;
}
