#pragma once

#include "HotKeySystem.h"

#include <memory>

namespace KeyboardShortcuts {

// Hot keys on a desktop where an ordinary program cannot grab keys and no
// global-shortcut service exists (wlroots compositors such as sway): the user
// binds the keys in the compositor to a command of the program instead, so
// every registration is accepted and none is ever grabbed here. Nothing is
// reported as taken by another client: the compositor alone knows its keys.
std::unique_ptr<HotKeySystem> makeCompositorBindingHotKeySystem();

} // namespace KeyboardShortcuts
