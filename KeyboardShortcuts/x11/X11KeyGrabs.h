#pragma once
// Passive key grabs on the root window. A grab is made once for every state of
// the lock modifiers (none, Caps Lock, Num Lock, both), because X matches the
// modifier state exactly and a hot key must also work with Caps Lock or Num Lock on.

#include <cstdint>
#include <optional>
#include <vector>

#include <xcb/xcb.h>

namespace KeyboardShortcuts::X11 {

struct KeyCombination {
    std::uint8_t keyCode = 0;
    std::uint16_t modifiers = 0;
    friend bool operator==(const KeyCombination &, const KeyCombination &) = default;
};

// One grabbed combination with the Num Lock mask that was in force when it was grabbed.
struct KeyGrab {
    KeyCombination combination;
    std::uint16_t numLockMask = 0;

    // The modifier states the grab covers.
    std::vector<std::uint16_t> modifierStates() const;
    // Whether an event's modifier state (buttons and lock modifiers aside) is this grab's.
    bool matchesState(std::uint16_t eventState) const;
};

class X11KeyGrabs
{
public:
    X11KeyGrabs(xcb_connection_t *connection, xcb_window_t root);

    // X error codes of a refused grab.
    static constexpr std::uint8_t badValue = 2;
    static constexpr std::uint8_t badAccess = 10; // another client holds the combination

    // Grabs every lock state of the combination: 0, or the X error code of the first
    // refused grab, in which case none of them stays grabbed.
    std::uint8_t grab(KeyCombination combination, KeyGrab &grab);
    void ungrab(const KeyGrab &grab);

    // For each combination, whether another client holds any of its lock states.
    // Each probe grab that succeeds is released at once. Requests go out in chunks
    // of a few combinations, one round trip per chunk.
    std::vector<bool> heldElsewhere(const std::vector<KeyCombination> &combinations);

    // The real modifier bit that Num_Lock is mapped to in the server's modifier map
    // (0 if none). Grabs read it afresh; probes use the last one read, until
    // forgetNumLockMask() after a change of the keyboard mapping.
    std::uint16_t numLockMask();
    void forgetNumLockMask() { m_numLockMask.reset(); }

private:
    std::uint16_t readNumLockMask();

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::optional<std::uint16_t> m_numLockMask;
};

} // namespace KeyboardShortcuts::X11
