#pragma once

#include "KeyboardInjector.h"

#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class Pasteboard;
class RemoteDesktopPortal;
class UserDefaults;

// Typing through the desktop portal's RemoteDesktop keyboard (GNOME, and KDE
// Plasma where fake input is not granted). The desktop turns keysyms into key
// codes of the user's layout and drops what the layout lacks (accents on a US
// layout, emoji), so every text goes the one way that carries any text: it is
// put on the clipboard and Shift+Insert asks the focused window to paste it
// (Shift+Insert pastes in text fields and terminals alike, and its keys sit at
// the same place on every layout).
//
// Typing is granted once in the desktop's consent dialog; the portal's restore
// token, kept in the defaults under "remoteDesktopRestoreToken", lets later
// starts skip the dialog. With a token stored the session starts at once;
// without one only requestTrust() starts it (and so shows the dialog). A refusal
// is said once on standard error and leaves typing untrusted.
//
// The clipboard is the user's: its earlier text is put back `restoreDelay`
// after the paste keys. The clipboard this runs on (XWayland's, on GNOME)
// cannot tell when the target has read the text, so the wait is a bound long
// enough for a target to ask for it. A text typed meanwhile keeps the first
// one's record of the user's text; a clipboard another program took meanwhile
// stays as it is.
class RemoteDesktopPasteInjector final : public KeyboardInjector
{
public:
    static constexpr const char *restoreTokenKey = "remoteDesktopRestoreToken";

    // Typing through the portal on the session bus, pasting from `clipboard`,
    // the grant kept in the user's defaults; none (with `why`) when no portal
    // offering RemoteDesktop answers within `probeTimeoutMs`.
    static std::unique_ptr<RemoteDesktopPasteInjector> connect(std::unique_ptr<Pasteboard> clipboard,
                                                               int probeTimeoutMs, QString *why);

    RemoteDesktopPasteInjector(std::unique_ptr<RemoteDesktopPortal> portal, std::unique_ptr<Pasteboard> clipboard,
                               UserDefaults &defaults,
                               std::chrono::milliseconds restoreDelay = std::chrono::milliseconds(500));
    ~RemoteDesktopPasteInjector() override;

    bool isTrusted() override;
    // True once the text is on the clipboard and the paste keys are sent.
    bool typeText(const QString &text) override;
    // The keys of other keyboards are not visible to a Wayland client.
    QStringList heldModifiers() override { return {}; }
    bool requestTrust() override;

private:
    void start();
    void restoreUsersText();

    std::unique_ptr<RemoteDesktopPortal> m_portal;
    std::unique_ptr<Pasteboard> m_clipboard;
    UserDefaults &m_defaults;
    bool m_refusalReported = false;
    // The user's clipboard text while a paste is pending (nullopt: it held none).
    bool m_restorePending = false;
    std::optional<QString> m_usersText;
    QString m_typedText;
    QTimer m_restoreTimer;
};
