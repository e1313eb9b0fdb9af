#pragma once

#include <xkbcommon/xkbcommon.h>

#include <memory>

// Owning handles for xkbcommon objects.
struct XkbContextUnref { void operator()(xkb_context *p) const { xkb_context_unref(p); } };
struct XkbKeymapUnref { void operator()(xkb_keymap *p) const { xkb_keymap_unref(p); } };
struct XkbStateUnref { void operator()(xkb_state *p) const { xkb_state_unref(p); } };
using XkbContextPtr = std::unique_ptr<xkb_context, XkbContextUnref>;
using XkbKeymapPtr = std::unique_ptr<xkb_keymap, XkbKeymapUnref>;
using XkbStatePtr = std::unique_ptr<xkb_state, XkbStateUnref>;
