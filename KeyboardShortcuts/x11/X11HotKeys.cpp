#include "X11HotKeys.h"

#include "CarbonKeyPositions.h"
#include "XcbHandles.h"
#include "XcbXkb.h"

#include <QGuiApplication>

namespace KeyboardShortcuts::X11 {

X11HotKeys *X11HotKeys::forApplication()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return nullptr;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return new X11HotKeys(connection, screen->root, qGuiApp);
}

X11HotKeys::X11HotKeys(xcb_connection_t *connection, xcb_window_t root, QObject *parent)
    : QObject(parent), m_connection(connection), m_root(root), m_grabs(connection, root)
{
    if (const xcb_query_extension_reply_t *xkb = xcb_get_extension_data(connection, &xcb_xkb_id); xkb && xkb->present)
        m_xkbFirstEvent = xkb->first_event;
    m_markerWindow = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, m_markerWindow, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection);
    if (qApp)
        qApp->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys()
{
    if (qApp)
        qApp->removeNativeEventFilter(this);
    for (const auto &[id, registration] : m_registrations)
        m_grabs.ungrab(registration.grab);
    xcb_destroy_window(m_connection, m_markerWindow);
    xcb_flush(m_connection);
}

int X11HotKeys::registerHotKey(int carbonKeyCode, int carbonModifiers, quint32 id)
{
    const auto keyCode = xKeyCodeForCarbonKeyCode(carbonKeyCode);
    const auto modifiers = xModifierMaskForCarbonModifiers(carbonModifiers);
    if (!keyCode || !modifiers)
        return hotKeyUnmappable;
    const KeyCombination combination{*keyCode, *modifiers};
    for (const auto &[otherId, registration] : m_registrations) {
        // Grabbing again from the same client would silently share the grab.
        if (registration.grab.combination == combination)
            return hotKeyTaken;
    }
    unregisterHotKey(id);
    KeyGrab grab;
    const std::uint8_t error = m_grabs.grab(combination, grab);
    if (error == 0)
        m_registrations.emplace(id, Registration{grab});
    return error;
}

void X11HotKeys::unregisterHotKey(quint32 id)
{
    const auto found = m_registrations.find(id);
    if (found == m_registrations.end())
        return;
    const std::uint8_t keyCode = found->second.grab.combination.keyCode;
    m_grabs.ungrab(found->second.grab);
    m_registrations.erase(found);
    // A hot key removed while held sends no key-up.
    if (auto pressed = m_pressed.find(keyCode); pressed != m_pressed.end() && pressed->second == id) {
        m_pressed.erase(pressed);
        if (m_heldRelease && m_heldRelease->keyCode == keyCode)
            m_heldRelease.reset();
    }
}

std::vector<bool> X11HotKeys::heldElsewhere(const std::vector<std::pair<int, int>> &combinations)
{
    std::vector<KeyCombination> probes;
    std::vector<std::size_t> probeIndex;
    for (std::size_t i = 0; i < combinations.size(); ++i) {
        const auto keyCode = xKeyCodeForCarbonKeyCode(combinations[i].first);
        const auto modifiers = xModifierMaskForCarbonModifiers(combinations[i].second);
        if (!keyCode || !modifiers)
            continue;
        const KeyCombination combination{*keyCode, *modifiers};
        bool ours = false;
        for (const auto &[id, registration] : m_registrations)
            ours = ours || registration.grab.combination == combination;
        // Probing our own grab would succeed and then release it.
        if (ours)
            continue;
        probes.push_back(combination);
        probeIndex.push_back(i);
    }
    const std::vector<bool> probed = m_grabs.heldElsewhere(probes);
    std::vector<bool> held(combinations.size(), false);
    for (std::size_t i = 0; i < probed.size(); ++i)
        held[probeIndex[i]] = probed[i];
    return held;
}

std::optional<quint32> X11HotKeys::registrationFor(std::uint8_t keyCode, std::uint16_t state) const
{
    for (const auto &[id, registration] : m_registrations) {
        if (registration.grab.combination.keyCode == keyCode && registration.grab.matchesState(state))
            return id;
    }
    return std::nullopt;
}

bool X11HotKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (isKeyboardMappingChange(type, event))
        m_grabs.forgetNumLockMask();
    if (type == XCB_CLIENT_MESSAGE)
        return handleMarker(event);
    if ((type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) || m_registrations.empty())
        return false;
    // Press and release events share one layout.
    const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (key->event != m_root)
        return false;
    return type == XCB_KEY_PRESS ? handlePress(key->detail, key->state, key->time)
                                 : handleRelease(key->detail, key->time);
}

bool X11HotKeys::isKeyboardMappingChange(std::uint8_t type, const xcb_generic_event_t *event) const
{
    if (type == XCB_MAPPING_NOTIFY)
        return true;
    // Qt selects these XKB events on its connection; their kind is in the second byte.
    return m_xkbFirstEvent != 0 && type == m_xkbFirstEvent
           && (event->pad0 == XCB_XKB_NEW_KEYBOARD_NOTIFY || event->pad0 == XCB_XKB_MAP_NOTIFY);
}

bool X11HotKeys::handlePress(std::uint8_t keyCode, std::uint16_t state, xcb_timestamp_t time)
{
    // The press half of an auto-repeat pair: the held-back release was none.
    if (m_heldRelease && m_heldRelease->keyCode == keyCode && m_heldRelease->time == time) {
        m_heldRelease.reset();
        return true;
    }
    // An auto-repeated press of a key still down (detectable auto-repeat), or a
    // press behind a held-back release whose marker is still on its way.
    if (m_pressed.count(keyCode))
        return true;
    const auto id = registrationFor(keyCode, state);
    if (!id)
        return false;
    m_pressed[keyCode] = *id;
    deliver(*id, true);
    return true;
}

bool X11HotKeys::handleRelease(std::uint8_t keyCode, xcb_timestamp_t time)
{
    // Matched by the key that went down, not by the modifiers, which may have been let go first.
    if (!m_pressed.count(keyCode))
        return false;
    if (m_heldRelease)
        deliverHeldRelease();
    m_heldRelease = HeldRelease{keyCode, time, ++m_lastMarker};
    xcb_client_message_event_t marker{};
    marker.response_type = XCB_CLIENT_MESSAGE;
    marker.format = 32;
    marker.window = m_markerWindow;
    marker.data.data32[0] = m_lastMarker;
    // An empty event mask sends it to the window's creator: us.
    xcb_send_event(m_connection, false, m_markerWindow, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&marker));
    xcb_flush(m_connection);
    return true;
}

bool X11HotKeys::handleMarker(const xcb_generic_event_t *event)
{
    const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
    if (message->window != m_markerWindow)
        return false;
    if (m_heldRelease && m_heldRelease->marker == message->data.data32[0])
        deliverHeldRelease();
    return true;
}

void X11HotKeys::deliverHeldRelease()
{
    const std::uint8_t keyCode = m_heldRelease->keyCode;
    m_heldRelease.reset();
    const auto pressed = m_pressed.find(keyCode);
    if (pressed == m_pressed.end())
        return;
    const quint32 id = pressed->second;
    m_pressed.erase(pressed);
    deliver(id, false);
}

void X11HotKeys::deliver(quint32 id, bool pressed)
{
    if (m_delivery)
        m_delivery(id, pressed);
}

} // namespace KeyboardShortcuts::X11
