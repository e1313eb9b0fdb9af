#pragma once
// What a key types on a keymap read with libxkbcommon, wherever the keymap came
// from (the X server, a Wayland compositor).

#include <QString>

#include <optional>

#include <xkbcommon/xkbcommon.h>

namespace KeyboardShortcuts::Xkb {

// The text of the key at the first shift level, without modifiers, in `group`;
// a dead key gives its accent's spacing form (e.g. "^"). None when the key
// types nothing.
std::optional<QString> keyText(xkb_keymap *keymap, xkb_layout_index_t group, xkb_keycode_t key);

// The group that names keys as shortcuts do: `current` when its letter keys
// type Latin letters (us, de, fr), otherwise the first group that does (the
// Latin group beside a Cyrillic, Greek or Hebrew one), otherwise `current`.
xkb_layout_index_t latinLetterGroup(xkb_keymap *keymap, xkb_layout_index_t current);

} // namespace KeyboardShortcuts::Xkb
