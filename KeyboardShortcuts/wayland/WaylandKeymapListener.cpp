#include "WaylandKeymapListener.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cstring>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace KeyboardShortcuts::Wayland {
namespace {

// Any key of the main block has a standard name on a layout keymap.
constexpr const char *standardKeyName = "AC01";

} // namespace

void WaylandKeymapListener::Release::operator()(wl_keyboard *keyboard) const
{
    if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(keyboard);
    else
        wl_keyboard_destroy(keyboard);
}

std::unique_ptr<WaylandKeymapListener> WaylandKeymapListener::connect()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandKeymapListener> listener(new WaylandKeymapListener(display));
    // Globals, then the seat's capabilities, then the keyboard's keymap.
    for (int i = 0; i < 3; ++i) {
        if (wl_display_roundtrip(display) < 0)
            return nullptr;
    }
    return listener;
}

WaylandKeymapListener::WaylandKeymapListener(wl_display *display)
    : m_display(display), m_registry(wl_display_get_registry(display)), m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    static const wl_registry_listener registryListener = {&onGlobal, &onGlobalRemove};
    wl_registry_add_listener(m_registry.get(), &registryListener, this);
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, &WaylandKeymapListener::dispatch);
}

WaylandKeymapListener::~WaylandKeymapListener()
{
    m_notifier.reset();
    m_keyboard.reset();
    m_seat.reset();
    m_registry.reset();
}

xkb_keymap *WaylandKeymapListener::keymap()
{
    dispatch();
    return m_alive ? m_keymap.get() : nullptr;
}

bool WaylandKeymapListener::isLayoutKeymap(xkb_keymap *keymap)
{
    return keymap && xkb_keymap_key_by_name(keymap, standardKeyName) != XKB_KEYCODE_INVALID;
}

// Handles whatever the compositor sent, without waiting for more.
void WaylandKeymapListener::dispatch()
{
    wl_display *display = m_display.get();
    if (!m_alive)
        return;
    while (wl_display_prepare_read(display) != 0)
        wl_display_dispatch_pending(display);
    wl_display_flush(display);
    pollfd socket{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&socket, 1, 0) <= 0) {
        wl_display_cancel_read(display);
    } else if (wl_display_read_events(display) < 0) {
        m_alive = false; // the compositor went away; the delivery adapters say so
    }
    if (m_alive && wl_display_dispatch_pending(display) < 0)
        m_alive = false;
    if (!m_alive)
        m_notifier->setEnabled(false);
}

void WaylandKeymapListener::onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                     uint32_t version)
{
    auto *self = static_cast<WaylandKeymapListener *>(data);
    if (self->m_seat || std::strcmp(interface, wl_seat_interface.name) != 0)
        return;
    self->m_seat.reset(static_cast<wl_seat *>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min<uint32_t>(version, 5))));
    static const wl_seat_listener seatListener = {&onCapabilities, &onSeatName};
    wl_seat_add_listener(self->m_seat.get(), &seatListener, self);
}

void WaylandKeymapListener::onCapabilities(void *data, wl_seat *seat, uint32_t capabilities)
{
    auto *self = static_cast<WaylandKeymapListener *>(data);
    const bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (hasKeyboard && !self->m_keyboard) {
        self->m_keyboard.reset(wl_seat_get_keyboard(seat));
        static const wl_keyboard_listener keyboardListener = {
            &onKeymap,
            [](void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {},
            [](void *, wl_keyboard *, uint32_t, wl_surface *) {},
            [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void *, wl_keyboard *, int32_t, int32_t) {},
        };
        wl_keyboard_add_listener(self->m_keyboard.get(), &keyboardListener, self);
    } else if (!hasKeyboard) {
        self->m_keyboard.reset(); // the keymap last seen stays the best guess
    }
}

void WaylandKeymapListener::onKeymap(void *data, wl_keyboard *, uint32_t format, int fd, uint32_t size)
{
    auto *self = static_cast<WaylandKeymapListener *>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void *text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            std::unique_ptr<xkb_keymap, Release> keymap(xkb_keymap_new_from_buffer(
                self->m_context.get(), static_cast<const char *>(text), strnlen(static_cast<const char *>(text), size),
                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
            munmap(text, size);
            if (isLayoutKeymap(keymap.get()))
                self->m_keymap = std::move(keymap);
        }
    }
    close(fd);
}

} // namespace KeyboardShortcuts::Wayland
