#pragma once

#include "KeyboardInjector.h"

#include <chrono>
#include <memory>

class XcbConnection;

// Types text into the focused X window through the XTEST extension.
//
// Characters the keymap cannot produce with a lone key press (accented letters
// of other layouts, capitals, AltGr characters, emoji) are put on spare keycodes
// for the duration of the typing, all in one mapping change; a text with more
// distinct such characters than spare keycodes is typed in chunks. The keymap is
// restored afterwards.
//
// A mapping change reaches a client as a notification on which it re-reads the
// keymap; it must do so before our key events arrive, and before the mapping is
// changed back. `Settling` gives it that time.
class XTestKeyboardInjector final : public KeyboardInjector
{
public:
    struct Settling
    {
        std::chrono::milliseconds afterRemap{25};
        std::chrono::milliseconds afterTyping{40};
    };

    XTestKeyboardInjector();
    explicit XTestKeyboardInjector(Settling settling);
    ~XTestKeyboardInjector() override;

    bool isTrusted() override;
    bool typeText(const QString &text) override;
    QStringList heldModifiers() override;

private:
    // The display connection, (re)opened on demand; nullptr without a display.
    XcbConnection *connection();

    Settling m_settling;
    std::unique_ptr<XcbConnection> m_connection;
};
