#pragma once

#include "ModifierFlags.h"
#include "Shortcut.h"

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// The trigger of a shortcut as the GlobalShortcuts portal takes it
// (`preferred_trigger`): modifiers then the key's XKB name on the current
// layout, "CTRL+LOGO+a". None when the layout gives the key no name.
std::optional<QString> portalTrigger(const Shortcut &shortcut);

// The same combination as people read it, "Ctrl+Super+A", "Ctrl+,".
QString readableTrigger(const Shortcut &shortcut);

// The same combination as Qt writes key sequences ("Ctrl+Meta+A"), the form
// KDE's shortcut service counts keys in.
QString qtKeySequenceText(const Shortcut &shortcut);

// Whether a trigger the desktop describes ("Meta+Ctrl+A", "<Control><Super>a",
// "CTRL+LOGO+a") is the combination asked for: same modifiers, same key,
// whatever the order, case and spelling of the modifier names.
bool sameTrigger(const QString &described, const QString &asked);

// A trigger the desktop describes, taken apart for showing it: its modifiers,
// and its key as written there with a capital ("A", "F9", "Escape"). None when
// it names no key.
struct DescribedTrigger
{
    ModifierFlags modifiers;
    QString key;
};
std::optional<DescribedTrigger> describedTrigger(const QString &described);

} // namespace KeyboardShortcuts
