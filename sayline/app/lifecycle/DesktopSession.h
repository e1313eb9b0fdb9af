#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Which desktop Sayline runs in, decided once at start, before the GUI exists:
// an X11 session, or a Wayland session (where the GUI runs on XWayland when the
// compositor offers it, so that the panel can stay out of the keyboard focus).
// The adapters behind the platform seams are chosen from it.
struct DesktopSession
{
    enum class Kind { x11, wayland };
    // The compositors whose binding syntax Sayline can write for the user.
    enum class Compositor { unknown, sway, hyprland, river, labwc, kde, gnome };

    Kind kind = Kind::x11;
    Compositor compositor = Compositor::unknown;
    QString waylandSocket; // absolute path; Wayland only
    QString x11Display;    // DISPLAY: the X server, or XWayland on Wayland
    // Filled in once the Wayland connection is up: the protocols that matter
    // to Sayline which the compositor offers, by interface name.
    QStringList waylandProtocols;
    // Whether some way to type into other windows exists (on Wayland: a virtual
    // keyboard, fake input, or the desktop portal's RemoteDesktop keyboard),
    // granted or not yet.
    bool offersTyping = true;

    bool isWayland() const { return kind == Kind::wayland; }
    bool operator==(const DesktopSession &) const = default;
    bool offers(const char *protocol) const { return waylandProtocols.contains(QLatin1String(protocol)); }

    // From the environment (WAYLAND_DISPLAY, DISPLAY, XDG_RUNTIME_DIR, the
    // desktop's own variables). Without a reachable display it returns nothing
    // and `error` says why, in one line for the user.
    static std::optional<DesktopSession> detect(QString *error);

    // The Qt platform plugin to use when the user has not chosen one.
    QString qtPlatform() const;
};
