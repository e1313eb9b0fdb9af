#pragma once
// System-wide hot keys on X11: passive key grabs on the root window, made through
// Qt's own xcb connection, and a native event filter that turns the grabbed key
// presses and releases into (id, pressed) deliveries on the main thread.
//
// One delivery per physical press and release, whichever way the server repeats a
// held key. Classic auto-repeat sends release/press pairs with one time stamp, made
// together: a release is held back and a marker event is sent to ourselves through
// the server; the paired press, if any, was queued to us before the marker, so the
// marker's arrival without it proves a real release, however late the events are
// read. XKB detectable auto-repeat sends press, press, ..., release: a press of a key
// already down is dropped. The connection's auto-repeat mode is left alone: Qt marks
// its own repeated key events by the pairs.

#include "X11KeyGrabs.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace KeyboardShortcuts::X11 {

// Statuses of a registration: 0 or an X error code.
enum HotKeyStatus : int {
    hotKeyRegistered = 0,
    hotKeyUnmappable = X11KeyGrabs::badValue, // no X key position, or the function modifier
    hotKeyTaken = X11KeyGrabs::badAccess,     // another client, or this process under another id, holds it
    hotKeyNoDisplay = 17,                     // BadImplementation: no X11 connection to grab on
};

class X11HotKeys : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    using Delivery = std::function<void(quint32 id, bool pressed)>;

    // Uses the connection of the running QGuiApplication; none unless it runs on xcb.
    // The application owns the result, so that it goes before the connection does.
    static X11HotKeys *forApplication();

    X11HotKeys(xcb_connection_t *connection, xcb_window_t root, QObject *parent = nullptr);
    ~X11HotKeys() override;

    int registerHotKey(int carbonKeyCode, int carbonModifiers, quint32 id);
    void unregisterHotKey(quint32 id);
    void setDelivery(Delivery delivery) { m_delivery = std::move(delivery); }

    // Which of the (carbonKeyCode, carbonModifiers) combinations another X client holds.
    // Combinations this object holds, or that cannot be grabbed at all, count as not held.
    std::vector<bool> heldElsewhere(const std::vector<std::pair<int, int>> &combinations);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Registration {
        KeyGrab grab;
    };

    std::optional<quint32> registrationFor(std::uint8_t keyCode, std::uint16_t state) const;
    bool handlePress(std::uint8_t keyCode, std::uint16_t state, xcb_timestamp_t time);
    bool handleRelease(std::uint8_t keyCode, xcb_timestamp_t time);
    bool handleMarker(const xcb_generic_event_t *event);
    void deliverHeldRelease();
    void deliver(quint32 id, bool pressed);

    bool isKeyboardMappingChange(std::uint8_t type, const xcb_generic_event_t *event) const;

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::uint8_t m_xkbFirstEvent = 0;
    X11KeyGrabs m_grabs;
    Delivery m_delivery;
    std::map<quint32, Registration> m_registrations;
    std::map<std::uint8_t, quint32> m_pressed; // key code held down -> registration id
    struct HeldRelease {
        std::uint8_t keyCode;
        xcb_timestamp_t time;
        std::uint32_t marker;
    };
    std::optional<HeldRelease> m_heldRelease;
    std::uint32_t m_lastMarker = 0;
    xcb_window_t m_markerWindow = XCB_NONE; // an input-only window of ours, the markers' address
};

} // namespace KeyboardShortcuts::X11
