#pragma once

#include "EventStream.h"
#include "EventType.h"
#include "Name.h"
#include "Shortcut.h"

#include <QList>
#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>

namespace KeyboardShortcuts {

using Action = std::function<void()>;

// The notification posted on NotificationCenter::defaultCenter() after every
// change of a stored shortcut; userInfo "name" holds the Name (QVariant).
inline const QString shortcutByNameDidChangeNotification = QStringLiteral("KeyboardShortcuts_shortcutByNameDidChange");
// The prefix of every defaults key of this subsystem.
inline const QString userDefaultsKeyPrefix = QStringLiteral("KeyboardShortcuts_");

// The stored shortcut of `name`: a text value holding its JSON; anything else
// (absent, Boolean false, a number, unreadable text) is none.
std::optional<Shortcut> getShortcut(const Name &name);
// Stores `shortcut` (registering it as a hot key) or, with none, clears it:
// removing the key, or storing false when the name has a default so that the
// default does not come back. Posts the change notification when something changed.
void setShortcut(const std::optional<Shortcut> &shortcut, const Name &name);

// Back to each name's default (a clear for names without one).
void reset(const QList<Name> &names);
inline void reset(std::initializer_list<Name> names) { reset(QList<Name>(names)); }
// Resets every name found in the defaults (names without default: cleared;
// Boolean false values stay).
void resetAll();

// Registers the stored shortcuts of names not yet registered / unregisters them,
// leaving storage alone.
void enable(const QList<Name> &names);
inline void enable(std::initializer_list<Name> names) { enable(QList<Name>(names)); }
void disable(const QList<Name> &names);
inline void disable(std::initializer_list<Name> names) { disable(QList<Name>(names)); }

// Actions run in the order added, on every press (down) or release (up) of the
// name's stored shortcut, anywhere on the desktop. Adding one registers the hot key.
void onKeyDown(const Name &name, Action action);
void onKeyUp(const Name &name, Action action);
// Unregisters the hot keys of every name with handlers or streams and drops
// the handlers; streams stay attached (their hot keys stay unregistered).
void removeAllHandlers();

// A stream of the name's presses and releases (EventStream.h); with a type, of
// that type only.
EventStream events(const Name &name);
EventStream events(EventType type, const Name &name);

// True while a recorder is recording: presses then reach no action and no stream.
bool isPaused();
void setPaused(bool paused);

// The master switch of all global shortcuts (CarbonKeyboardShortcuts).
bool isEnabled();
void setEnabled(bool enabled);

// Combinations held by other clients (see CarbonKeyboardShortcuts).
QList<Shortcut> systemShortcuts();
bool isSystemShortcut(const Shortcut &shortcut);

// The dispatchers handed to CarbonKeyboardShortcuts for every registration.
void handleOnKeyDown(const Shortcut &shortcut);
void handleOnKeyUp(const Shortcut &shortcut);

} // namespace KeyboardShortcuts
