#pragma once

#include "Shortcut.h"

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// The XKB keysym name of the key of a shortcut on the current layout, as
// compositors and desktop shortcut services write keys: "a", "Escape", "F5",
// "comma", "KP_Enter". None when the layout gives the key no name.
std::optional<QString> keysymName(Key key);

} // namespace KeyboardShortcuts
