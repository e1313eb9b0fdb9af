#include "X11KeyGrabs.h"

#include "XcbHandles.h"

#include <algorithm>

namespace KeyboardShortcuts::X11 {
namespace {

constexpr xcb_keysym_t numLockKeySym = 0xff7f;
constexpr std::uint16_t keyModifierBits = 0xff;

std::vector<std::uint16_t> lockStates(std::uint16_t modifiers, std::uint16_t numLockMask)
{
    std::vector<std::uint16_t> states;
    for (std::uint16_t locks : {std::uint16_t(0), std::uint16_t(XCB_MOD_MASK_LOCK), numLockMask,
                                std::uint16_t(XCB_MOD_MASK_LOCK | numLockMask)}) {
        const std::uint16_t state = modifiers | locks;
        if (std::find(states.begin(), states.end(), state) == states.end())
            states.push_back(state);
    }
    return states;
}

} // namespace

std::vector<std::uint16_t> KeyGrab::modifierStates() const
{
    return lockStates(combination.modifiers, numLockMask);
}

bool KeyGrab::matchesState(std::uint16_t eventState) const
{
    const std::uint16_t locks = XCB_MOD_MASK_LOCK | numLockMask;
    return (eventState & keyModifierBits & ~locks) == combination.modifiers;
}

X11KeyGrabs::X11KeyGrabs(xcb_connection_t *connection, xcb_window_t root)
    : m_connection(connection), m_root(root)
{
}

std::uint8_t X11KeyGrabs::grab(KeyCombination combination, KeyGrab &grab)
{
    grab = KeyGrab{combination, readNumLockMask()};
    std::vector<xcb_void_cookie_t> cookies;
    const auto states = grab.modifierStates();
    for (std::uint16_t state : states) {
        cookies.push_back(xcb_grab_key_checked(m_connection, false, m_root, state, combination.keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    std::uint8_t result = 0;
    std::vector<std::uint16_t> grabbed;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        XcbOwned<xcb_generic_error_t> error(xcb_request_check(m_connection, cookies[i]));
        if (!error)
            grabbed.push_back(states[i]);
        else if (result == 0)
            result = error->error_code;
    }
    if (result != 0) {
        for (std::uint16_t state : grabbed)
            xcb_ungrab_key(m_connection, combination.keyCode, m_root, state);
        xcb_flush(m_connection);
    }
    return result;
}

void X11KeyGrabs::ungrab(const KeyGrab &grab)
{
    for (std::uint16_t state : grab.modifierStates())
        xcb_ungrab_key(m_connection, grab.combination.keyCode, m_root, state);
    xcb_flush(m_connection);
}

std::vector<bool> X11KeyGrabs::heldElsewhere(const std::vector<KeyCombination> &combinations)
{
    // The server checks a new grab against every grab on the window, so thousands
    // held at once cost quadratic time: probe in chunks, releasing each before the next.
    constexpr std::size_t combinationsPerChunk = 16;
    const std::uint16_t numLock = numLockMask();
    std::vector<bool> held(combinations.size(), false);
    struct Probe {
        std::size_t index;
        KeyCombination grabbed;
        xcb_void_cookie_t cookie;
    };
    std::vector<Probe> probes;
    for (std::size_t first = 0; first < combinations.size(); first += combinationsPerChunk) {
        probes.clear();
        const std::size_t end = std::min(combinations.size(), first + combinationsPerChunk);
        for (std::size_t i = first; i < end; ++i) {
            for (std::uint16_t state : lockStates(combinations[i].modifiers, numLock)) {
                probes.push_back({i, {combinations[i].keyCode, state},
                                  xcb_grab_key_checked(m_connection, false, m_root, state, combinations[i].keyCode,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
            }
        }
        for (const Probe &probe : probes) {
            XcbOwned<xcb_generic_error_t> error(xcb_request_check(m_connection, probe.cookie));
            if (!error)
                xcb_ungrab_key(m_connection, probe.grabbed.keyCode, m_root, probe.grabbed.modifiers);
            else if (error->error_code == badAccess)
                held[probe.index] = true;
        }
    }
    xcb_flush(m_connection);
    return held;
}

std::uint16_t X11KeyGrabs::numLockMask()
{
    return m_numLockMask ? *m_numLockMask : readNumLockMask();
}

std::uint16_t X11KeyGrabs::readNumLockMask()
{
    m_numLockMask.reset();
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const auto modifierCookie = xcb_get_modifier_mapping(m_connection);
    const auto keyboardCookie = xcb_get_keyboard_mapping(m_connection, setup->min_keycode,
                                                         setup->max_keycode - setup->min_keycode + 1);
    XcbOwned<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(m_connection, modifierCookie, nullptr));
    XcbOwned<xcb_get_keyboard_mapping_reply_t> keyboard(
        xcb_get_keyboard_mapping_reply(m_connection, keyboardCookie, nullptr));
    if (!modifiers || !keyboard)
        return 0;

    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(keyboard.get());
    const int keysymCount = xcb_get_keyboard_mapping_keysyms_length(keyboard.get());
    const int perKeyCode = keyboard->keysyms_per_keycode;
    auto isNumLock = [&](xcb_keycode_t keyCode) {
        const int first = (keyCode - setup->min_keycode) * perKeyCode;
        for (int i = first; i >= 0 && i < first + perKeyCode && i < keysymCount; ++i) {
            if (keysyms[i] == numLockKeySym)
                return true;
        }
        return false;
    };

    const xcb_keycode_t *keyCodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keyCode = keyCodes[modifier * perModifier + i];
            if (keyCode != 0 && isNumLock(keyCode))
                return *(m_numLockMask = std::uint16_t(1u << modifier));
        }
    }
    return *(m_numLockMask = 0);
}

} // namespace KeyboardShortcuts::X11
