#pragma once
// System-wide hot keys on X11: passive key grabs on the root window, made through
// Qt's own xcb connection, and a native event filter that turns the grabbed key
// presses and releases into (id, pressed) deliveries on the main thread.

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
    // How X auto-repeat is told apart from real key releases.
    enum class AutoRepeat {
        // XKB detectable auto-repeat: a held key sends press, press, ..., release.
        // Falls back to pairedEvents when the server refuses it.
        detectable,
        // Classic auto-repeat: release and press pairs with one time stamp. A release
        // is held back for one event-loop turn to see whether its press follows.
        pairedEvents,
    };
    using Delivery = std::function<void(quint32 id, bool pressed)>;

    // Uses the connection of the running QGuiApplication; none unless it runs on xcb.
    // The application owns the result, so that it goes before the connection does.
    static X11HotKeys *forApplication(AutoRepeat autoRepeat = AutoRepeat::detectable);

    X11HotKeys(xcb_connection_t *connection, xcb_window_t root, AutoRepeat autoRepeat, QObject *parent = nullptr);
    ~X11HotKeys() override;

    int registerHotKey(int carbonKeyCode, int carbonModifiers, quint32 id);
    void unregisterHotKey(quint32 id);
    void setDelivery(Delivery delivery) { m_delivery = std::move(delivery); }

    // Which of the (carbonKeyCode, carbonModifiers) combinations another X client holds.
    // Combinations this object holds, or that cannot be grabbed at all, count as not held.
    std::vector<bool> heldElsewhere(const std::vector<std::pair<int, int>> &combinations);

    AutoRepeat autoRepeat() const { return m_autoRepeat; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Registration {
        KeyGrab grab;
    };
    struct HeldRelease {
        std::uint8_t keyCode;
        xcb_timestamp_t time;
        std::uint64_t serial;
    };

    AutoRepeat enableAutoRepeatMode(AutoRepeat wanted);
    std::optional<quint32> registrationFor(std::uint8_t keyCode, std::uint16_t state) const;
    bool handlePress(std::uint8_t keyCode, std::uint16_t state, xcb_timestamp_t time);
    bool handleRelease(std::uint8_t keyCode, xcb_timestamp_t time);
    void deliverHeldRelease();
    void release(std::uint8_t keyCode);
    void deliver(quint32 id, bool pressed);

    bool isKeyboardMappingChange(std::uint8_t type, const xcb_generic_event_t *event) const;

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::uint8_t m_xkbFirstEvent = 0;
    X11KeyGrabs m_grabs;
    AutoRepeat m_autoRepeat;
    Delivery m_delivery;
    std::map<quint32, Registration> m_registrations;
    std::map<std::uint8_t, quint32> m_pressed; // key code held down -> registration id
    std::optional<HeldRelease> m_heldRelease;
    std::uint64_t m_releaseSerial = 0;
};

} // namespace KeyboardShortcuts::X11
