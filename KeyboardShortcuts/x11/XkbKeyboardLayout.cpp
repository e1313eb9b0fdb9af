#include "XkbKeyboardLayout.h"

#include "CarbonKeyPositions.h"
#include "XcbXkb.h"

#include <xkbcommon/xkbcommon-x11.h>

#include <iterator>

namespace KeyboardShortcuts::X11 {
namespace {

// A dead key types nothing by itself; it is shown as its accent's spacing form.
// Keysyms dead_grave (0xfe50) to dead_iota (0xfe5d), in order.
constexpr char16_t deadKeyAccents[] = u"`´^~¯˘˙¨˚˝ˇ¸˛ͺ";
constexpr xkb_keysym_t firstDeadKeySym = 0xfe50;

std::optional<QString> deadKeyAccent(xkb_keysym_t keysym)
{
    const xkb_keysym_t index = keysym - firstDeadKeySym;
    if (keysym < firstDeadKeySym || index >= std::size(deadKeyAccents) - 1)
        return std::nullopt;
    return QString(QChar(deadKeyAccents[index]));
}

} // namespace

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
    return characterInGroup(*keyCode, asciiCapableGroup(*group));
}

std::optional<QString> XkbKeyboardLayout::characterInGroup(std::uint8_t keyCode, std::uint32_t group)
{
    XkbState state(xkb_state_new(m_keymap.get()));
    if (!state)
        return std::nullopt;
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);
    char text[64] = {};
    const int length = xkb_state_key_get_utf8(state.get(), keyCode, text, sizeof text);
    if (length == 0)
        return deadKeyAccent(xkb_state_key_get_one_sym(state.get(), keyCode));
    if (length < 0 || length >= int(sizeof text))
        return std::nullopt;
    return QString::fromUtf8(text, length);
}

std::uint32_t XkbKeyboardLayout::asciiCapableGroup(std::uint32_t current)
{
    // A group whose letter keys type Latin letters (us, de, fr) names keys as
    // shortcuts do; beside one, a Cyrillic, Greek or Hebrew group does not.
    const auto typesLatinLetters = [this](std::uint32_t group) {
        for (const int carbonKeyCode : {0, 1, 2, 6, 12, 13}) { // a s d z q w
            const auto keyCode = xKeyCodeForCarbonKeyCode(carbonKeyCode);
            const auto text = keyCode ? characterInGroup(*keyCode, group) : std::nullopt;
            if (!text || text->size() != 1 || !text->at(0).isLower() || text->at(0).unicode() > 0x7f)
                return false;
        }
        return true;
    };
    if (typesLatinLetters(current))
        return current;
    const xkb_layout_index_t groups = xkb_keymap_num_layouts(m_keymap.get());
    for (std::uint32_t group = 0; group < groups; ++group) {
        if (group != current && typesLatinLetters(group))
            return group;
    }
    return current; // no Latin group at all: the keys as they are
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
