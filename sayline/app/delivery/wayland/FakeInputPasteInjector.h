#pragma once

#include "KeyboardInjector.h"

#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class DataControlPasteboard;
class FakeInputKeyboard;

// Typing where the compositor has no virtual keyboard but grants fake input
// (KDE Plasma): the keys fake input can send are key codes of the user's layout,
// which lacks most of what a dictation may hold (accents on a US layout,
// emoji), so every text goes the one way that carries any text: it is put on
// the clipboard through data control, and Shift+Insert asks the focused window
// to paste it. Shift+Insert rather than Control+V: it pastes in text fields and
// terminals alike (Control+V is a control character in a terminal), and its two
// keys sit at the same place on every layout.
//
// The clipboard is the user's: what it held before (as text) is put back once
// the target has read ours, or after `readWait` when nothing read it (the focus
// was not on a text field). A text typed while an earlier one is still waiting
// first waits (within the same bound) until the target has asked for the earlier
// one, and keeps the first one's record of the user's text. When another program takes
// the clipboard meanwhile, its content stays.
struct PasteTimings
{
    std::chrono::milliseconds readWait{3000};
    std::chrono::milliseconds previousTextWait{500};
};

class FakeInputPasteInjector final : public KeyboardInjector
{
public:
    FakeInputPasteInjector(std::unique_ptr<FakeInputKeyboard> keyboard, std::unique_ptr<DataControlPasteboard> clipboard,
                           PasteTimings timings = {});
    ~FakeInputPasteInjector() override;

    bool isTrusted() override;
    // True once the text is on the clipboard and the paste keys are pressed.
    bool typeText(const QString &text) override;
    // The keys of other keyboards are not visible to a Wayland client.
    QStringList heldModifiers() override { return {}; }

private:
    void rememberUsersText();
    void checkRead();
    void restoreUsersText();

    std::unique_ptr<FakeInputKeyboard> m_keyboard;
    std::unique_ptr<DataControlPasteboard> m_clipboard;
    PasteTimings m_timings;
    // The user's clipboard while a paste is pending.
    bool m_restorePending = false;
    bool m_usersTextKnown = false;
    bool m_usersClipboardEmpty = false;
    QString m_usersText;
    int m_readsBefore = 0;
    std::chrono::steady_clock::time_point m_readDeadline;
    QTimer m_readCheck;
};
