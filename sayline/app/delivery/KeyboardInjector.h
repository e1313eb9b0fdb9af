#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// Synthetic typing into whatever window has the keyboard focus, and the trust
// check that says whether it can work at all.
//
// typeText() types the whole text as one operation: every character comes out
// as itself at the focused window's insertion point, whatever the keyboard
// layout (accented letters, characters that need Shift or AltGr, characters
// outside the Basic Multilingual Plane such as emoji). It sends no extra
// modifiers and leaves the keymap as it found it. It returns false when
// nothing could be typed (for instance the display went away); delivery treats
// that as "nothing typed" and reports nothing.
//
// isTrusted() is true when synthetic typing is usable: on X11 when the display
// offers a working XTEST extension. It is cheap enough to call on every
// delivery and never prompts the user.
//
// heldModifiers() names the modifier keys physically held down right now
// (Shift, Control, Alt, Super, AltGr and the like; locks such as Caps Lock do not
// count), empty when none is. Text typed while one is held would reach the
// target application as shortcuts, so delivery waits for an empty list.
class KeyboardInjector
{
public:
    virtual ~KeyboardInjector() = default;
    virtual bool isTrusted() = 0;
    virtual bool typeText(const QString &text) = 0;
    virtual QStringList heldModifiers() = 0;
    // Asks the desktop to grant typing where it asks the user itself (a consent
    // dialog); the answer comes later, through isTrusted(). False where there
    // is no such request to make: the caller then leads the user to the settings.
    virtual bool requestTrust() { return false; }
};

// The platform's injector (X11 XTEST), defined in x11/.
std::unique_ptr<KeyboardInjector> makeDefaultKeyboardInjector();
