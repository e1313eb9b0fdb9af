#pragma once
// The keyboard layout a Wayland compositor announces, heard on a connection of
// our own: the compositor sends the seat's keymap to every client's keyboard
// object whenever the keyboard in use or its layout changes, focus or not.

#include <QObject>

#include <memory>
#include <optional>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

class QSocketNotifier;

namespace KeyboardShortcuts::Wayland {

class WaylandKeymapListener final : public QObject
{
    Q_OBJECT

public:
    // Connects to $WAYLAND_DISPLAY; none when no compositor answers.
    static std::unique_ptr<WaylandKeymapListener> connect();
    ~WaylandKeymapListener() override;

    // The latest layout keymap, after handling what the compositor sent
    // meanwhile; null before the first one (no keyboard yet) or after the
    // compositor went away.
    xkb_keymap *keymap();

    // Whether keymap text describes a keyboard layout: its keys carry the
    // standard (evdev) key names. The ad-hoc keymaps of virtual keyboards that
    // type text (Sayline's own, wtype's) do not, and are ignored.
    static bool isLayoutKeymap(xkb_keymap *keymap);

private:
    struct Release
    {
        void operator()(wl_display *display) const { wl_display_disconnect(display); }
        void operator()(wl_registry *registry) const { wl_registry_destroy(registry); }
        void operator()(wl_seat *seat) const { wl_seat_destroy(seat); }
        void operator()(wl_keyboard *keyboard) const;
        void operator()(xkb_context *context) const { xkb_context_unref(context); }
        void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
    };

    explicit WaylandKeymapListener(wl_display *display);
    void dispatch();

    static void onGlobal(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version);
    static void onGlobalRemove(void *, wl_registry *, uint32_t) {}
    static void onCapabilities(void *data, wl_seat *, uint32_t capabilities);
    static void onSeatName(void *, wl_seat *, const char *) {}
    static void onKeymap(void *data, wl_keyboard *, uint32_t format, int fd, uint32_t size);

    std::unique_ptr<wl_display, Release> m_display;
    std::unique_ptr<wl_registry, Release> m_registry;
    std::unique_ptr<wl_seat, Release> m_seat;
    std::unique_ptr<wl_keyboard, Release> m_keyboard;
    std::unique_ptr<xkb_context, Release> m_context;
    std::unique_ptr<xkb_keymap, Release> m_keymap;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_alive = true;
};

} // namespace KeyboardShortcuts::Wayland
