#include "XkbKeyboardLayout.h"

#include "CarbonKeyPositions.h"
#include "XcbXkb.h"
#include "XkbKeyText.h"

#include <xkbcommon/xkbcommon-x11.h>

namespace KeyboardShortcuts::X11 {

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::connect()
{
    XcbConnection connection(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(connection.get()))
        return nullptr;
    std::uint8_t firstEvent = 0;
    if (!xkb_x11_setup_xkb_extension(connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                     nullptr, nullptr, &firstEvent, nullptr))
        return nullptr;
    const std::int32_t deviceId = xkb_x11_get_core_keyboard_device_id(connection.get());
    XkbContext context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (deviceId < 0 || !context)
        return nullptr;

    // Every detail of these two events: any change of the keymap replaces ours.
    const std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    XcbOwned<xcb_generic_error_t> error(xcb_request_check(
        connection.get(),
        xcb_xkb_select_events_checked(connection.get(), deviceId, events, 0, events, 0, 0, nullptr)));
    if (error)
        return nullptr;
    return std::unique_ptr<XkbKeyboardLayout>(
        new XkbKeyboardLayout(std::move(connection), std::move(context), deviceId, firstEvent));
}

XkbKeyboardLayout::XkbKeyboardLayout(XcbConnection connection, XkbContext context, std::int32_t deviceId,
                                     std::uint8_t xkbFirstEvent)
    : m_connection(std::move(connection)), m_context(std::move(context)), m_deviceId(deviceId),
      m_xkbFirstEvent(xkbFirstEvent)
{
}

std::optional<QString> XkbKeyboardLayout::character(int carbonKeyCode)
{
    const auto keyCode = xKeyCodeForCarbonKeyCode(carbonKeyCode);
    if (!keyCode)
        return std::nullopt;
    // The group's reply also brings in every keymap notification sent before it.
    const auto group = currentGroup();
    if (!group)
        return std::nullopt;
    forgetKeymapIfReplaced();
    if (!m_keymap) {
        m_keymap.reset(xkb_x11_keymap_new_from_device(m_context.get(), m_connection.get(), m_deviceId,
                                                      XKB_KEYMAP_COMPILE_NO_FLAGS));
        ++m_keymapLoads;
        if (!m_keymap)
            return std::nullopt;
    }
    return Xkb::keyText(m_keymap.get(), Xkb::latinLetterGroup(m_keymap.get(), *group), *keyCode);
}

std::optional<std::uint8_t> XkbKeyboardLayout::currentGroup()
{
    XcbOwned<xcb_xkb_get_state_reply_t> state(xcb_xkb_get_state_reply(
        m_connection.get(), xcb_xkb_get_state(m_connection.get(), m_deviceId), nullptr));
    if (!state)
        return std::nullopt;
    return state->group;
}

void XkbKeyboardLayout::forgetKeymapIfReplaced()
{
    while (XcbOwned<xcb_generic_event_t> event{xcb_poll_for_queued_event(m_connection.get())}) {
        if (event->response_type != m_xkbFirstEvent)
            continue;
        // All XKB events carry their kind in the second byte.
        const std::uint8_t kind = event->pad0;
        if (kind == XCB_XKB_NEW_KEYBOARD_NOTIFY || kind == XCB_XKB_MAP_NOTIFY)
            m_keymap.reset();
    }
}

} // namespace KeyboardShortcuts::X11
