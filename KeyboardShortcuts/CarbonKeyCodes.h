#pragma once

#include <optional>
#include <span>

namespace KeyboardShortcuts {

// Carbon virtual key codes name key positions of an ANSI keyboard, as Linux
// evdev codes do (X keycode = evdev code + 8). This is the one table between
// them, used by the key-event conversion and by the X11 adapter.
// PC keys without a Carbon twin are mapped by position: Insert is help (114),
// Num Lock is keypadClear (71), the Menu/Compose key is the context-menu key
// (110), the ISO key between left Shift and Z is the section key (10).
std::optional<int> evdevCodeForCarbonKeyCode(int carbonKeyCode);
std::optional<int> carbonKeyCodeForEvdevCode(int evdevCode);

// Every Carbon key code of the table, ascending.
std::span<const int> mappedCarbonKeyCodes();

} // namespace KeyboardShortcuts
