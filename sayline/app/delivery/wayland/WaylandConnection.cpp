#include "WaylandConnection.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <poll.h>

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

const wl_registry_listener WaylandConnection::registryListener = {
    &WaylandConnection::onGlobal,
    &WaylandConnection::onGlobalRemove,
};

std::unique_ptr<WaylandConnection> WaylandConnection::connect(const QSet<QString> &ignoredInterfaces)
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "Wayland: cannot connect to the compositor (WAYLAND_DISPLAY=%s): %s\n",
                     qEnvironmentVariable("WAYLAND_DISPLAY").toLocal8Bit().constData(), std::strerror(errno));
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display, ignoredInterfaces));
    // The first round trip brings the globals, the second the replies to binding the seat.
    if (!connection->roundtrip())
        return nullptr;
    if (const Global *seat = connection->global("wl_seat")) {
        connection->m_seat.reset(static_cast<wl_seat *>(
            wl_registry_bind(connection->m_registry.get(), seat->name, &wl_seat_interface, 1)));
    }
    if (!connection->roundtrip())
        return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display *display, QSet<QString> ignoredInterfaces)
    : m_display(display), m_ignored(std::move(ignoredInterfaces)), m_registry(wl_display_get_registry(display))
{
    wl_registry_add_listener(m_registry.get(), &registryListener, this);
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, &WaylandConnection::dispatchReadable);
}

WaylandConnection::~WaylandConnection()
{
    m_notifier.reset();
    m_seat.reset();
    m_registry.reset();
    if (m_alive)
        wl_display_flush(m_display.get());
}

void WaylandConnection::onGlobal(void *data, wl_registry *, std::uint32_t name, const char *interface,
                                 std::uint32_t version)
{
    auto *self = static_cast<WaylandConnection *>(data);
    const QString interfaceName = QString::fromUtf8(interface);
    if (!self->m_ignored.contains(interfaceName))
        self->m_globals.push_back({name, interfaceName, version});
}

void WaylandConnection::onGlobalRemove(void *data, wl_registry *, std::uint32_t name)
{
    auto *self = static_cast<WaylandConnection *>(data);
    std::erase_if(self->m_globals, [name](const Global &global) { return global.name == name; });
}

QStringList WaylandConnection::interfaces() const
{
    QStringList names;
    for (const Global &global : m_globals)
        names.append(global.interface);
    return names;
}

const WaylandConnection::Global *WaylandConnection::global(const char *interface) const
{
    const QString name = QString::fromUtf8(interface);
    for (const Global &global : m_globals) {
        if (global.interface == name)
            return &global;
    }
    return nullptr;
}

bool WaylandConnection::offers(const char *interface) const
{
    return global(interface) != nullptr;
}

std::uint32_t WaylandConnection::offeredVersion(const char *interface) const
{
    const Global *offered = global(interface);
    return offered ? offered->version : 0;
}

void *WaylandConnection::bind(const wl_interface *interface, std::uint32_t version)
{
    const Global *offered = global(interface->name);
    if (!m_alive || !offered)
        return nullptr;
    return wl_registry_bind(m_registry.get(), offered->name, interface, std::min(version, offered->version));
}

bool WaylandConnection::flush(milliseconds timeout)
{
    if (!m_alive)
        return false;
    const auto deadline = Clock::now() + timeout;
    while (wl_display_flush(m_display.get()) < 0) {
        if (errno != EAGAIN) {
            markLost("sending");
            return false;
        }
        // The socket is full: the compositor reads it soon, or it is stuck.
        pollfd socket{wl_display_get_fd(m_display.get()), POLLOUT, 0};
        if (poll(&socket, 1, remainingMs(deadline)) <= 0) {
            std::fputs("Wayland: the compositor does not read our requests\n", stderr);
            return false;
        }
    }
    return true;
}

bool WaylandConnection::roundtrip(milliseconds timeout)
{
    if (!m_alive)
        return false;
    bool done = false;
    static const wl_callback_listener doneListener = {
        [](void *data, wl_callback *, std::uint32_t) { *static_cast<bool *>(data) = true; },
    };
    struct Destroy
    {
        void operator()(wl_callback *callback) const { wl_callback_destroy(callback); }
    };
    std::unique_ptr<wl_callback, Destroy> callback(wl_display_sync(m_display.get()));
    wl_callback_add_listener(callback.get(), &doneListener, &done);
    const auto deadline = Clock::now() + timeout;
    if (!flush(timeout))
        return false;
    while (!done) {
        const milliseconds left(remainingMs(deadline));
        if (left.count() == 0) {
            std::fputs("Wayland: the compositor does not answer\n", stderr);
            return false;
        }
        if (!readAndDispatch(left))
            return false;
    }
    return true;
}

bool WaylandConnection::dispatchUntil(const std::function<bool()> &done, milliseconds timeout)
{
    constexpr milliseconds slice(5);
    const auto deadline = Clock::now() + timeout;
    if (!flush(timeout))
        return false;
    while (!done()) {
        const milliseconds left(remainingMs(deadline));
        if (left.count() == 0)
            return false;
        if (!readAndDispatch(std::min(left, slice)))
            return false;
    }
    return true;
}

bool WaylandConnection::readAndDispatch(milliseconds timeout)
{
    wl_display *display = m_display.get();
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) {
            markLost("dispatching");
            return false;
        }
    }
    wl_display_flush(display);
    pollfd socket{wl_display_get_fd(display), POLLIN, 0};
    const int ready = poll(&socket, 1, int(timeout.count()));
    if (ready <= 0) {
        wl_display_cancel_read(display);
        return ready == 0;
    }
    if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) {
        markLost("reading");
        return false;
    }
    return true;
}

void WaylandConnection::dispatchReadable()
{
    if (m_alive && readAndDispatch(milliseconds(0)))
        flush();
}

void WaylandConnection::markLost(const char *what)
{
    if (!m_alive)
        return;
    m_alive = false;
    m_notifier->setEnabled(false);
    const int protocolError = wl_display_get_error(m_display.get());
    std::fprintf(stderr,
                 "Wayland: the connection to the compositor broke while %s (%s); typing and the clipboard "
                 "through it stop working until Sayline is restarted\n",
                 what, std::strerror(protocolError ? protocolError : errno));
    emit lost();
}
