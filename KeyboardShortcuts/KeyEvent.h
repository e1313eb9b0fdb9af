#pragma once

#include "ModifierFlags.h"

class QEvent;
class QKeyEvent;

namespace KeyboardShortcuts {

// A key event as this subsystem sees it: what happened, which key (by Carbon
// key code) and the platform modifier flags held at that moment. It is built
// from a Qt event (menu fallback, recorder) or by the X11 adapter.
struct KeyEvent
{
    enum class Type { keyDown, keyUp, other };

    Type type = Type::other;
    int keyCode = 0;                 // Carbon virtual key code
    ModifierFlags modifierFlags;

    // A Qt event. Key presses and releases become keyDown / keyUp; the key comes
    // from the native scan code (on xcb the X keycode, evdev code + 8). Every
    // other event, and a key without a Carbon code, gives Type::other.
    // Control, Alt, Shift and Meta (Super) become control, option, shift and
    // command; the keypad modifier becomes numericPad; the X Lock bit of the
    // native modifiers becomes capsLock.
    static KeyEvent fromQEvent(const QEvent &event);
    static KeyEvent fromQKeyEvent(const QKeyEvent &event);
};

} // namespace KeyboardShortcuts
