#pragma once

#include "KeyboardInjector.h"

#include <QList>

#include <chrono>
#include <cstdint>
#include <memory>

class QTimer;
class XcbConnection;

// Types text into the focused X window through the XTEST extension.
//
// Characters the keymap cannot produce with a lone key press (accented letters
// of other layouts, capitals, AltGr characters, emoji) are lent to spare
// keycodes, all at once (one mapping request per run of consecutive spare
// keycodes, then one round trip); a text with more distinct such characters than
// spare keycodes is typed in chunks.
//
// A client re-reads the keymap when it handles the mapping notification, which
// it receives before our key events; it translates them with whatever mapping
// the server holds at that moment, however late that is. So a lent keycode
// keeps its keysym until every client has surely caught up: the keymap is
// restored `Settling::restoreAfter` after the last typing (or when the
// application quits, or the injector goes away), later texts reuse the keysyms
// already lent, and a keycode gets a different keysym only `beforeReuse` after
// it was last typed.
class XTestKeyboardInjector final : public KeyboardInjector
{
public:
    struct Settling
    {
        std::chrono::milliseconds afterRemap{10};
        std::chrono::milliseconds beforeReuse{400};
        std::chrono::milliseconds restoreAfter{2000};
    };

    XTestKeyboardInjector();
    explicit XTestKeyboardInjector(Settling settling);
    ~XTestKeyboardInjector() override;

    bool isTrusted() override;
    bool typeText(const QString &text) override;
    QStringList heldModifiers() override;

    // Takes the lent keysyms off the spare keycodes now.
    void restoreKeymap();

private:
    XcbConnection *connection();
    bool typeKeysyms(XcbConnection &display, const QString &text);
    void lend(XcbConnection &display, const QList<uint32_t> &keysyms);
    void waitBeforeReuse() const;
    void scheduleRestore();

    Settling m_settling;
    std::unique_ptr<XcbConnection> m_connection;
    QList<uint8_t> m_spareKeys;  // the spare keycodes we lend keysyms to
    QList<uint32_t> m_lent;     // the keysyms on m_spareKeys[0], m_spareKeys[1], ...
    std::chrono::steady_clock::time_point m_lastTyped;
    std::unique_ptr<QTimer> m_restoreTimer;
};
