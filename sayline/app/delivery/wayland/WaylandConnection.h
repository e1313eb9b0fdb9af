#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <wayland-client.h>

class QSocketNotifier;

// Sayline's own connection to the Wayland compositor, apart from the one Qt's
// platform plugin may hold, so that delivery works whatever platform the GUI
// runs on. Knows the globals the compositor offers and binds the first seat.
//
// Events are read and dispatched on the thread that made the connection (the Qt
// main thread) whenever the socket has data; requests are flushed by the
// adapters after sending. When the compositor goes away, or the connection
// breaks on a protocol error, one line says so on standard error, lost() is
// emitted once and isAlive() stays false: the adapters then report failure.
class WaylandConnection final : public QObject
{
    Q_OBJECT

public:
    // Connects to $WAYLAND_DISPLAY (an absolute socket path or a name in
    // $XDG_RUNTIME_DIR) and reads the globals; none, with a line on standard
    // error, when there is no compositor to connect to. Globals named in
    // `ignoredInterfaces` are treated as not offered.
    static std::unique_ptr<WaylandConnection> connect(const QSet<QString> &ignoredInterfaces = {});
    ~WaylandConnection() override;

    bool isAlive() const { return m_alive; }
    wl_display *display() const { return m_display.get(); }
    // The first seat the compositor offers, or null.
    wl_seat *seat() const { return m_seat.get(); }

    // The interface names of the offered globals, in the compositor's order.
    QStringList interfaces() const;
    bool offers(const char *interface) const;
    // Binds the global of this interface at `version` or the compositor's
    // version if lower; null when not offered. The caller owns the proxy.
    void *bind(const wl_interface *interface, std::uint32_t version);
    // The version bound by bind() for an offered interface (0 when not offered).
    std::uint32_t offeredVersion(const char *interface) const;

    // Sends what is buffered, waiting up to `timeout` while the socket is full.
    bool flush(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // Waits until the compositor has handled every request sent so far and
    // every event it sent in return is dispatched; false on timeout or loss.
    bool roundtrip(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // Dispatches events as they come until `done` returns true, checking it at
    // least every few milliseconds (it may watch something besides the
    // connection); false on timeout or loss.
    bool dispatchUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout);

signals:
    void lost();

private:
    struct Global
    {
        std::uint32_t name;
        QString interface;
        std::uint32_t version;
    };
    struct Release
    {
        void operator()(wl_display *display) const { wl_display_disconnect(display); }
        void operator()(wl_registry *registry) const { wl_registry_destroy(registry); }
        void operator()(wl_seat *seat) const { wl_seat_destroy(seat); }
    };

    WaylandConnection(wl_display *display, QSet<QString> ignoredInterfaces);
    const Global *global(const char *interface) const;
    // Reads events for up to `timeout` (zero: only what is there) and dispatches them.
    bool readAndDispatch(std::chrono::milliseconds timeout);
    void dispatchReadable();
    void markLost(const char *what);

    static void onGlobal(void *data, wl_registry *, std::uint32_t name, const char *interface, std::uint32_t version);
    static void onGlobalRemove(void *data, wl_registry *, std::uint32_t name);
    static const wl_registry_listener registryListener;

    std::unique_ptr<wl_display, Release> m_display;
    QSet<QString> m_ignored;
    std::unique_ptr<wl_registry, Release> m_registry;
    std::unique_ptr<wl_seat, Release> m_seat;
    std::vector<Global> m_globals;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_alive = true;
};
