#pragma once
// Owning handles for what xcb and xkbcommon hand out.

#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

namespace KeyboardShortcuts::X11 {

struct FreeWithStdFree {
    void operator()(void *p) const { std::free(p); }
};

// A reply or an error of an xcb request (malloc'ed by xcb).
template <typename T>
using XcbOwned = std::unique_ptr<T, FreeWithStdFree>;

struct DisconnectXcb {
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, DisconnectXcb>;

struct UnrefXkb {
    void operator()(xkb_context *p) const { xkb_context_unref(p); }
    void operator()(xkb_keymap *p) const { xkb_keymap_unref(p); }
    void operator()(xkb_state *p) const { xkb_state_unref(p); }
};
using XkbContext = std::unique_ptr<xkb_context, UnrefXkb>;
using XkbKeymap = std::unique_ptr<xkb_keymap, UnrefXkb>;
using XkbState = std::unique_ptr<xkb_state, UnrefXkb>;

} // namespace KeyboardShortcuts::X11
