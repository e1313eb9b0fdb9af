#include "MenuKeyEquivalent.h"

#include "QtKeys.h"

#include "../Shortcut.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>

namespace KeyboardShortcuts {
namespace {

const char *const textProperty = "keyEquivalent";
const char *const maskProperty = "keyEquivalentModifierMask";
const char *const mirroredNameProperty = "keyboardShortcutName";

bool itemUses(const QAction &item, const Shortcut &shortcut, const QString &recordedName)
{
    if (!recordedName.isEmpty() && item.property(mirroredNameProperty).toString() == recordedName)
        return false;
    const auto equivalent = menuKeyEquivalent(item);
    if (!equivalent || equivalent->text.isEmpty())
        return false;
    QString text = equivalent->text;
    ModifierFlags mask = equivalent->modifierMask;
    if (shortcut.modifiers().testFlag(ModifierFlag::shift) && text.toLower() != text) {
        text = text.toLower();
        mask |= ModifierFlag::shift;
    }
    const auto keyText = shortcut.nsMenuItemKeyEquivalent();
    return keyText && text == *keyText && mask == shortcut.modifiers();
}

} // namespace

void setMenuKeyEquivalent(QAction &item, const QString &text, ModifierFlags modifierMask)
{
    item.setProperty(textProperty, text);
    item.setProperty(maskProperty, static_cast<unsigned>(modifierMask.toInt()));
    // A menu's window shortcuts act only while that menu is open.
    const ModifierFlags shown = text != text.toLower() ? modifierMask | ModifierFlag::shift : modifierMask;
    item.setShortcut(keySequenceForCharacter(text, qtModifiers(shown)));
}

std::optional<MenuKeyEquivalent> menuKeyEquivalent(const QAction &item)
{
    const QVariant text = item.property(textProperty);
    if (!text.isValid())
        return std::nullopt;
    return MenuKeyEquivalent{text.toString(),
                             ModifierFlags::fromInt(static_cast<int>(item.property(maskProperty).toUInt()))};
}

void setMenuItemMirrorsShortcut(QAction &item, const QString &nameRawValue)
{
    item.setProperty(mirroredNameProperty, nameRawValue);
}

QAction *menuItemUsing(const QMenu &menu, const Shortcut &shortcut, const QString &recordedName)
{
    for (QAction *item : menu.actions()) {
        if (itemUses(*item, shortcut, recordedName))
            return item;
        if (const QMenu *submenu = item->menu()) {
            if (QAction *found = menuItemUsing(*submenu, shortcut, recordedName))
                return found;
        }
    }
    return nullptr;
}

QAction *applicationMenuItemUsing(const Shortcut &shortcut, const QString &recordedName)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (const auto *menu = qobject_cast<const QMenu *>(widget)) {
            if (QAction *found = menuItemUsing(*menu, shortcut, recordedName))
                return found;
        }
    }
    return nullptr;
}

} // namespace KeyboardShortcuts
