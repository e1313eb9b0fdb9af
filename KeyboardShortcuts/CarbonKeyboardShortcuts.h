#pragma once

#include "KeyEvent.h"
#include "Shortcut.h"

#include <QList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace KeyboardShortcuts {

// Turns shortcuts into system-wide hot keys through HotKeySystem, receives their
// presses and releases, and keeps them working while one of our menus is open
// (see MenuTracking.h). Process-wide state, main thread only.
class CarbonKeyboardShortcuts
{
public:
    using Callback = std::function<void(const Shortcut &)>;

    // One per successful registration. `carbonHotKey` holds the platform
    // registration (its id) and is empty while dropped (menu open, disabled).
    struct HotKey
    {
        Shortcut shortcut;
        int carbonHotKeyId = 0;
        std::optional<quint32> carbonHotKey;
        Callback onKeyDown;
        Callback onKeyUp;
    };

    // Issues the next id (also when the registration fails), grabs the
    // combination and keeps a HotKey. A failure prints
    // "Error registering hotkey <description>: <status>" on standard output.
    static void registerShortcut(const Shortcut &shortcut, Callback onKeyDown, Callback onKeyUp);
    // Drops every HotKey with this shortcut.
    static void unregisterShortcut(const Shortcut &shortcut);

    // Observes the menu begin/end tracking notifications; idempotent.
    static void setUpMenuTrackingObserversIfNeeded();
    // Chooses between hot keys and the menu fallback for the current state.
    static void updateEventHandler();

    // The master switch; a change runs updateEventHandler().
    static bool isEnabled();
    static void setEnabled(bool enabled);
    // While suspended (a shortcut recorder records) the platform registrations
    // are dropped like when disabled, so that their keys reach the recorder's
    // window; resuming registers them again.
    static bool isSuspended();
    static void setSuspended(bool suspended);

    // Combinations that another client holds (desktop shortcuts and other
    // programs), probed fresh at every call: each mapped key with each combination
    // of control, option, shift and command, in one batch of probes. To check a
    // single combination use isSystemShortcut().
    static QList<Shortcut> systemShortcuts();
    static bool isSystemShortcut(const Shortcut &shortcut);

    // Menu fallback: a key event matched by key code and normalized modifiers
    // against every HotKey, live or dropped. The release of a key whose press
    // matched goes to the same HotKey even when the modifiers were let go
    // first. True when it ran a callback (the event is then consumed).
    // Auto-repeated presses are the caller's to drop.
    static bool handleRawKeyEvent(const KeyEvent &event);

    // Read-only views of the state, for diagnostics and tests.
    static const std::map<int, std::shared_ptr<HotKey>> &hotKeys();
    static int hotKeyIdCounter();
    static bool isMenuOpen();
    static bool hasEventHandler();

    // The status reported when a code or modifier set cannot be registered at all
    // (negative key code, bits beyond 32): Carbon's paramErr.
    static constexpr int invalidParameterStatus = -50;
};

} // namespace KeyboardShortcuts
