#include "KeyEvent.h"

#include "CarbonKeyCodes.h"

#include <QKeyEvent>

namespace KeyboardShortcuts {
namespace {

// X keycodes are evdev codes shifted by 8; the Lock bit of the X state mask.
constexpr quint32 xKeycodeOffset = 8;
constexpr quint32 xLockMask = 0x2;

ModifierFlags modifierFlagsOf(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers qt = event.modifiers();
    ModifierFlags flags;
    flags.setFlag(ModifierFlag::control, qt.testFlag(Qt::ControlModifier));
    flags.setFlag(ModifierFlag::option, qt.testFlag(Qt::AltModifier));
    flags.setFlag(ModifierFlag::shift, qt.testFlag(Qt::ShiftModifier));
    flags.setFlag(ModifierFlag::command, qt.testFlag(Qt::MetaModifier));
    flags.setFlag(ModifierFlag::numericPad, qt.testFlag(Qt::KeypadModifier));
    flags.setFlag(ModifierFlag::capsLock, (event.nativeModifiers() & xLockMask) != 0);
    return flags;
}

} // namespace

KeyEvent KeyEvent::fromQEvent(const QEvent &event)
{
    if (event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease)
        return fromQKeyEvent(static_cast<const QKeyEvent &>(event));
    return {};
}

KeyEvent KeyEvent::fromQKeyEvent(const QKeyEvent &event)
{
    KeyEvent result;
    const quint32 xKeycode = event.nativeScanCode();
    if (xKeycode < xKeycodeOffset)
        return result;
    const std::optional<int> keyCode = carbonKeyCodeForEvdevCode(int(xKeycode - xKeycodeOffset));
    if (!keyCode)
        return result;
    if (event.type() == QEvent::KeyPress)
        result.type = Type::keyDown;
    else if (event.type() == QEvent::KeyRelease)
        result.type = Type::keyUp;
    else
        return result;
    result.keyCode = *keyCode;
    result.modifierFlags = modifierFlagsOf(event);
    return result;
}

} // namespace KeyboardShortcuts
