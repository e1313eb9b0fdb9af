#include "DesktopSession.h"

#include <QDir>
#include <QFileInfo>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

bool acceptsConnections(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

QString waylandSocketPath()
{
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name))
        return name;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QString() : runtime + QLatin1Char('/') + name;
}

// A local X display (":1", ":1.0", "unix:1") has a socket we can look for; a
// remote one is taken on trust.
bool x11DisplayReachable(const QString &display)
{
    QString local = display;
    if (local.startsWith(QLatin1String("unix:")))
        local = local.mid(4);
    if (!local.startsWith(QLatin1Char(':')))
        return !display.isEmpty();
    const QString number = local.mid(1).section(QLatin1Char('.'), 0, 0);
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + number);
}

DesktopSession::Compositor compositorFromEnvironment()
{
    using C = DesktopSession::Compositor;
    if (qEnvironmentVariableIsSet("SWAYSOCK"))
        return C::sway;
    if (qEnvironmentVariableIsSet("HYPRLAND_INSTANCE_SIGNATURE"))
        return C::hyprland;
    if (qEnvironmentVariableIsSet("LABWC_PID"))
        return C::labwc;
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    if (desktop.contains(QLatin1String("kde")))
        return C::kde;
    if (desktop.contains(QLatin1String("gnome")))
        return C::gnome;
    if (desktop.contains(QLatin1String("river")))
        return C::river;
    if (desktop.contains(QLatin1String("sway")))
        return C::sway;
    if (desktop.contains(QLatin1String("hyprland")))
        return C::hyprland;
    return C::unknown;
}

} // namespace

std::optional<DesktopSession> DesktopSession::detect(QString *error)
{
    DesktopSession session;
    session.x11Display = qEnvironmentVariable("DISPLAY");
    const QString wayland = waylandSocketPath();
    if (!wayland.isEmpty() && acceptsConnections(wayland)) {
        session.kind = Kind::wayland;
        session.waylandSocket = wayland;
        session.compositor = compositorFromEnvironment();
        if (!x11DisplayReachable(session.x11Display))
            session.x11Display.clear();
        return session;
    }
    if (x11DisplayReachable(session.x11Display)) {
        session.kind = Kind::x11;
        return session;
    }
    // A platform the user chose (offscreen, for instance) needs no display.
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return session;
    if (error) {
        if (!wayland.isEmpty())
            *error = QStringLiteral("Sayline: cannot reach the Wayland compositor at %1%2.")
                         .arg(wayland, session.x11Display.isEmpty()
                                           ? QString()
                                           : QStringLiteral(" nor the X display %1").arg(session.x11Display));
        else if (!session.x11Display.isEmpty())
            *error = QStringLiteral("Sayline: cannot reach the X display %1.").arg(session.x11Display);
        else
            *error = QStringLiteral("Sayline needs a graphical desktop session (Wayland or X11), and neither "
                                    "WAYLAND_DISPLAY nor DISPLAY is set.");
    }
    return std::nullopt;
}

QString DesktopSession::qtPlatform() const
{
    // On Wayland the GUI stays on XWayland where there is one: there the panel
    // can be placed and kept out of the keyboard focus on every compositor.
    if (kind == Kind::wayland && x11Display.isEmpty())
        return QStringLiteral("wayland");
    return QStringLiteral("xcb");
}
