// Presses keys on KWin through org_kde_kwin_fake_input, as a keyboard would:
// every key down in the order given, then up in reverse order.
//
//   kwin-press-keys EVDEV_CODE...     (29 125 30: Ctrl+Super+A)
//
// KWin offers the interface to any client when started with
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1. Exits non-zero when it is not offered.
#include "fake-input-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input *fake_input;

static void add_global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fake_input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static void remove_global(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data, (void)registry, (void)name;
}

static const struct wl_registry_listener registry_listener = {add_global, remove_global};

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kwin-press-keys EVDEV_CODE...\n");
        return 2;
    }
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin-press-keys: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake_input) {
        fprintf(stderr, "kwin-press-keys: the compositor offers no org_kde_kwin_fake_input 4\n");
        wl_display_disconnect(display);
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake_input, "kwin-press-keys", "test key presses");
    for (int i = 1; i < argc; ++i)
        org_kde_kwin_fake_input_keyboard_key(fake_input, (uint32_t)atoi(argv[i]), WL_KEYBOARD_KEY_STATE_PRESSED);
    wl_display_roundtrip(display);
    for (int i = argc - 1; i >= 1; --i)
        org_kde_kwin_fake_input_keyboard_key(fake_input, (uint32_t)atoi(argv[i]), WL_KEYBOARD_KEY_STATE_RELEASED);
    wl_display_roundtrip(display);
    org_kde_kwin_fake_input_destroy(fake_input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
