// Another X client for the tests: grabs one key combination on the root window
// (as a desktop's shortcut daemon would), says whether it got it, and keeps it
// until its standard input closes.
//
//   x11_grab_holder X_KEYCODE MODIFIER_MASK
//   prints "grabbed" or "refused <X error code>"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("usage: x11_grab_holder X_KEYCODE MODIFIER_MASK\n", stderr);
        return 2;
    }
    const auto keyCode = static_cast<xcb_keycode_t>(std::strtoul(argv[1], nullptr, 0));
    const auto modifiers = static_cast<uint16_t>(std::strtoul(argv[2], nullptr, 0));

    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(xcb_connect(nullptr, nullptr),
                                                                             &xcb_disconnect);
    if (xcb_connection_has_error(connection.get())) {
        std::fputs("x11_grab_holder: cannot connect to the X server\n", stderr);
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    xcb_generic_error_t *error = xcb_request_check(
        connection.get(), xcb_grab_key_checked(connection.get(), true, root, modifiers, keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error) {
        std::printf("refused %d\n", error->error_code);
        std::free(error);
    } else {
        std::puts("grabbed");
    }
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
