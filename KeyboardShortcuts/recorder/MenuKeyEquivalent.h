#pragma once

#include "../ModifierFlags.h"

#include <QString>

#include <optional>

class QAction;
class QMenu;

namespace KeyboardShortcuts {

struct Shortcut;

// A menu item's key equivalent: the key's text (an upper-case letter means
// Shift) and the modifier flags that go with it.
struct MenuKeyEquivalent
{
    QString text;
    ModifierFlags modifierMask;
};

// Gives the item its key equivalent (as the dynamic properties
// "keyEquivalent" and "keyEquivalentModifierMask") and shows it as the
// item's QKeySequence: control Ctrl, option Alt, shift Shift, command Meta.
void setMenuKeyEquivalent(QAction &item, const QString &text, ModifierFlags modifierMask);
std::optional<MenuKeyEquivalent> menuKeyEquivalent(const QAction &item);

// Marks the item as the menu's copy of the named global shortcut (the property
// "keyboardShortcutName"): recording that name's own combination again is no
// conflict with it.
void setMenuItemMirrorsShortcut(QAction &item, const QString &nameRawValue);

// The first item of `menu`, depth first in item order, whose key equivalent
// is `shortcut`, leaving out the items that mirror the name `recordedName`;
// null when none is.
QAction *menuItemUsing(const QMenu &menu, const Shortcut &shortcut, const QString &recordedName = {});
// The same over the application's own menus (its top-level QMenus).
QAction *applicationMenuItemUsing(const Shortcut &shortcut, const QString &recordedName = {});

} // namespace KeyboardShortcuts
