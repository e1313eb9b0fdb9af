#pragma once

#include <Shortcut.h>

#include <QString>
#include <QStringList>

// The keys named after the panel's "Submit", one text each, written the
// panel's way ("^", "⌘", "A"): the trigger that really toggles dictation.

// A shortcut Sayline itself holds (X11 key grabs).
QStringList submitHintForShortcut(const KeyboardShortcuts::Shortcut &shortcut);
// The trigger the desktop reports binding ("Meta+Ctrl+A"); empty when it
// names no key.
QStringList submitHintForDescribedTrigger(const QString &described);
