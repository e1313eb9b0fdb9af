#include "XKeyboardLayout.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <QSet>

namespace {

QString modifierName(xkb_keysym_t keysym)
{
    switch (keysym) {
    case XKB_KEY_Shift_L: case XKB_KEY_Shift_R: return QStringLiteral("Shift");
    case XKB_KEY_Control_L: case XKB_KEY_Control_R: return QStringLiteral("Control");
    case XKB_KEY_Alt_L: case XKB_KEY_Alt_R: return QStringLiteral("Alt");
    case XKB_KEY_Meta_L: case XKB_KEY_Meta_R: return QStringLiteral("Meta");
    case XKB_KEY_Super_L: case XKB_KEY_Super_R: return QStringLiteral("Super");
    case XKB_KEY_Hyper_L: case XKB_KEY_Hyper_R: return QStringLiteral("Hyper");
    case XKB_KEY_ISO_Level3_Shift: case XKB_KEY_Mode_switch: return QStringLiteral("AltGr");
    case XKB_KEY_ISO_Level5_Shift: return QStringLiteral("Level5");
    default: return {};
    }
}

QSet<xcb_keycode_t> modifierMapKeycodes(const XcbConnection &connection)
{
    QSet<xcb_keycode_t> keycodes;
    XcbReply<xcb_get_modifier_mapping_reply_t> reply(xcb_get_modifier_mapping_reply(
        connection.get(), xcb_get_modifier_mapping(connection.get()), nullptr));
    if (!reply)
        return keycodes;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int count = xcb_get_modifier_mapping_keycodes_length(reply.get());
    for (int i = 0; i < count; ++i) {
        if (codes[i] != 0)
            keycodes.insert(codes[i]);
    }
    return keycodes;
}

} // namespace

std::optional<XKeyboardLayout> XKeyboardLayout::read(const XcbConnection &connection)
{
    if (!connection.isOpen())
        return std::nullopt;
    xcb_connection_t *c = connection.get();
    if (!xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr,
                                     nullptr))
        return std::nullopt;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(c);
    if (device < 0)
        return std::nullopt;
    XkbContextPtr context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context)
        return std::nullopt;
    XkbKeymapPtr keymap(xkb_x11_keymap_new_from_device(context.get(), c, device,
                                                       XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return std::nullopt;
    XkbStatePtr state(xkb_x11_state_new_from_device(keymap.get(), c, device));
    if (!state)
        return std::nullopt;

    XKeyboardLayout layout;
    layout.readDirectKeys(keymap.get(), state.get());
    layout.readModifierKeys(keymap.get());
    if (!layout.readCoreMapping(connection, keymap.get()))
        return std::nullopt;
    return layout;
}

std::optional<xcb_keycode_t> XKeyboardLayout::directKeycode(xkb_keysym_t keysym) const
{
    const auto it = m_direct.constFind(keysym);
    if (it == m_direct.constEnd())
        return std::nullopt;
    return *it;
}

void XKeyboardLayout::readDirectKeys(xkb_keymap *keymap, xkb_state *deviceState)
{
    // What a lone key press gives now: keep the locks and the group, drop the
    // modifiers that happen to be held while the snapshot is taken.
    XkbStatePtr bare(xkb_state_new(keymap));
    if (!bare)
        return;
    const xkb_mod_mask_t locked = xkb_state_serialize_mods(deviceState, XKB_STATE_MODS_LOCKED);
    const xkb_layout_index_t group = xkb_state_serialize_layout(deviceState, XKB_STATE_LAYOUT_EFFECTIVE);
    xkb_state_update_mask(bare.get(), 0, 0, locked, 0, 0, group);

    const xkb_keycode_t first = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), 255);
    for (xkb_keycode_t key = first; key <= last; ++key) {
        const xkb_keysym_t keysym = xkb_state_key_get_one_sym(bare.get(), key);
        if (keysym != XKB_KEY_NoSymbol && modifierName(keysym).isEmpty() && !m_direct.contains(keysym))
            m_direct.insert(keysym, xcb_keycode_t(key));
    }
}

void XKeyboardLayout::readModifierKeys(xkb_keymap *keymap)
{
    const xkb_keycode_t first = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), 255);
    for (xkb_keycode_t key = first; key <= last; ++key) {
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
        for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
            const xkb_keysym_t *syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, key, layout, 0, &syms);
            for (int i = 0; i < count; ++i) {
                const QString name = modifierName(syms[i]);
                if (!name.isEmpty())
                    m_modifiers.insert(xcb_keycode_t(key), name);
            }
        }
    }
}

bool XKeyboardLayout::readCoreMapping(const XcbConnection &connection, xkb_keymap *keymap)
{
    const xcb_setup_t *setup = connection.setup();
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        connection.get(), xcb_get_keyboard_mapping(connection.get(), setup->min_keycode, count),
        nullptr));
    if (!mapping)
        return false;
    const int width = mapping->keysyms_per_keycode;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const QSet<xcb_keycode_t> modifierMap = modifierMapKeycodes(connection);

    for (int index = 0; index < count; ++index) {
        const auto key = xcb_keycode_t(first + index);
        if (syms[index * width] != XKB_KEY_NoSymbol)
            m_coreKeysyms.insert(key, syms[index * width]);
        bool unused = !modifierMap.contains(key) && xkb_keymap_num_layouts_for_key(keymap, key) == 0;
        for (int column = 0; unused && column < width; ++column)
            unused = syms[index * width + column] == XKB_KEY_NoSymbol;
        if (unused)
            m_spare.append(key);
    }
    return true;
}
