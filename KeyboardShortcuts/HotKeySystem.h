#pragma once

#include "EventType.h"

#include <QtGlobal>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace KeyboardShortcuts {

// System-wide hot keys: the platform service CarbonKeyboardShortcuts drives.
// The X11 adapter (x11/) grabs keys passively on the X root window; tests
// install a fake with setShared(). Everything runs on the main thread.
//
// Key codes are Carbon virtual key codes (KeyboardShortcuts/CarbonKeyCodes.h maps
// them to evdev codes; X keycode = evdev + 8); modifiers are Carbon bits
// (control 0x1000, option 0x800, shift 0x200, command 0x100, function 0x20000).
class HotKeySystem
{
public:
    // 0 is success; anything else is a failure that the caller reports, for
    // example the X error code BadAccess (10) when another client holds the grab.
    using Status = int;
    static constexpr Status noErr = 0;

    // Receives a press or a release of the registered hot key `id`. Called on
    // the main thread, once per physical press and once per physical release.
    using EventHandler = std::function<void(quint32 id, EventType type)>;

    virtual ~HotKeySystem() = default;

    // Grabs the combination under `id` (ids are never reused while held).
    virtual Status registerHotKey(quint32 carbonKeyCode, quint32 carbonModifiers, quint32 id) = 0;
    // Releases the grab of `id`; unknown ids are ignored.
    virtual void unregisterHotKey(quint32 id) = 0;

    // Installs the one handler of the process. False when it cannot be installed
    // (it is asked again at the next successful registration).
    virtual bool installEventHandler(EventHandler handler) = 0;
    // While false, hot-key events are not delivered (grabs may still exist).
    virtual void setHotKeyEventsEnabled(bool enabled) = 0;

    // Whether another client holds this combination: probe with a grab and
    // release it at once. Combinations this process holds are never probed.
    virtual bool isHeldByAnotherClient(quint32 carbonKeyCode, quint32 carbonModifiers) = 0;
    // The same for many (carbonKeyCode, carbonModifiers) combinations, answered in
    // order. A platform that can probe them in one batch overrides it.
    virtual std::vector<bool> areHeldByAnotherClient(const std::vector<std::pair<quint32, quint32>> &combinations)
    {
        std::vector<bool> held;
        held.reserve(combinations.size());
        for (const auto &[keyCode, modifiers] : combinations)
            held.push_back(isHeldByAnotherClient(keyCode, modifiers));
        return held;
    }

    // The process-wide instance; made by makeDefaultHotKeySystem() on first use.
    static HotKeySystem &shared();
    // Replaces it (tests install fakes before the first registration).
    static void setShared(std::unique_ptr<HotKeySystem> system);
};

// Defined by the platform adapter (x11/), bound at link time.
std::unique_ptr<HotKeySystem> makeDefaultHotKeySystem();

} // namespace KeyboardShortcuts
