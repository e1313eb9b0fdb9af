#pragma once

#include <QString>
#include <QStringList>

namespace KeyboardShortcuts {

// The subsystem's own texts, looked up by key in the localization bundle
// "KeyboardShortcuts_KeyboardShortcuts" (a Qt resource compiled into the
// library, one JSON file per language: en.json ...). Keys: "record_shortcut",
// "press_shortcut", "space_key", "keyboard_shortcut_used_by_menu_item" (one
// argument, %1 = the menu item's title), "keyboard_shortcut_disallowed",
// "keyboard_shortcut_used_by_system", "keyboard_shortcuts_can_be_changed",
// "ok", "force_use_shortcut".
//
// The language is the UI language of QLocale() with English as fallback. A key
// without text gives the key itself. When no bundle can be found the line
// "unable to find bundle named KeyboardShortcuts_KeyboardShortcuts" is printed
// once and every lookup gives its key.
QString localized(const QString &key);

// Where the bundle is looked for (folders holding
// KeyboardShortcuts_KeyboardShortcuts/<language>.json). Every bundle found is
// read; for a text in the same language the earlier folder wins. By default the
// compiled-in resource ":/" comes first, then <data dir>/sayline for each of
// the XDG data directories, where translations are installed. Replacing the
// list drops the cached texts.
QStringList localizationBundleSearchPaths();
void setLocalizationBundleSearchPaths(const QStringList &paths);

} // namespace KeyboardShortcuts
