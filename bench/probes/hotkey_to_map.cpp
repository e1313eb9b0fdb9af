// Hot-key release -> panel mapped, measured from another X client without
// polling: it presses Ctrl+Super+A through XTEST, starts the clock when the
// release of A is flushed to the server, and stops it at the MapNotify of a
// top-level window at least 400 pixels wide (the panel). Escape hides the
// panel between runs. Prints each run and `FIGURE hotkey_to_map=<median> ms`.
// With --clipboard it presses once (ending a dictation) and times the release
// until the clipboard changes owner: `FIGURE clipboard_owned=<ms> ms`.
//
//   hotkey_to_map [RUNS=5] | hotkey_to_map --clipboard    (beside a running sayline, DISPLAY set)

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
// Key codes of the default (evdev) keymap.
constexpr xcb_keycode_t control = 37, super = 133, a = 38, escape = 9;

struct Connection
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    ~Connection() { xcb_disconnect(c); }
};

void key(xcb_connection_t *c, xcb_keycode_t code, bool press)
{
    xcb_test_fake_input(c, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

bool isPanel(xcb_connection_t *c, xcb_window_t window)
{
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    return geometry && geometry->width >= 400;
}

// Waits for a map (or unmap) of the panel; the time it arrived, or nothing after `patience`.
std::optional<Clock::time_point> waitFor(xcb_connection_t *c, uint8_t type, std::chrono::milliseconds patience)
{
    const auto deadline = Clock::now() + patience;
    while (Clock::now() < deadline) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(c), &std::free);
        if (!event) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        const auto arrived = Clock::now();
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && type == XCB_MAP_NOTIFY
            && isPanel(c, reinterpret_cast<xcb_map_notify_event_t *>(event.get())->window))
            return arrived;
        if ((event->response_type & 0x7f) == XCB_UNMAP_NOTIFY && type == XCB_UNMAP_NOTIFY)
            return arrived;
    }
    return std::nullopt;
}

// Waits until the server has handled every request sent so far.
void syncWithServer(xcb_connection_t *c)
{
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

} // namespace

void pressHotKey(xcb_connection_t *c, Clock::time_point &released)
{
    key(c, control, true);
    key(c, super, true);
    key(c, a, true);
    key(c, a, false);
    xcb_flush(c);
    released = Clock::now();
    key(c, super, false);
    key(c, control, false);
    xcb_flush(c);
}

xcb_window_t clipboardOwner(xcb_connection_t *c, xcb_atom_t clipboard)
{
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr), &std::free);
    return reply ? reply->owner : XCB_NONE;
}

// The press that ends a dictation: release -> the clipboard has a new owner
// (the program holding the text), asked every 0.2 ms.
int measureClipboard(xcb_connection_t *c)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), nullptr), &std::free);
    // Take the clipboard first, so that the program's claim is a change of
    // owner even when it already held the clipboard.
    const xcb_window_t ours = xcb_generate_id(c);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, ours, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, ours, atom->atom, XCB_CURRENT_TIME);
    const xcb_window_t before = clipboardOwner(c, atom->atom);
    if (before != ours) {
        std::puts("second press: could not take the clipboard first");
        return 1;
    }
    Clock::time_point released;
    pressHotKey(c, released);
    while (Clock::now() - released < std::chrono::seconds(10)) {
        if (clipboardOwner(c, atom->atom) != before) {
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - released).count();
            std::printf("second press: hot-key release -> clipboard owned %.1f ms\n", ms);
            std::printf("FIGURE clipboard_owned=%.1f ms\n", ms);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::puts("second press: the clipboard did not change hands");
    return 1;
}

int main(int argc, char **argv)
{
    Connection x;
    if (xcb_connection_has_error(x.c)) {
        std::fputs("hotkey_to_map: no X server\n", stderr);
        return 2;
    }
    if (argc > 1 && std::string_view(argv[1]) == "--clipboard")
        return measureClipboard(x.c);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x.c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x.c);

    std::vector<double> times;
    for (int run = 1; run <= runs; ++run) {
        // Only maps that follow this press count.
        syncWithServer(x.c);
        while (xcb_generic_event_t *stale = xcb_poll_for_event(x.c))
            std::free(stale);
        Clock::time_point released;
        pressHotKey(x.c, released);
        const auto mapped = waitFor(x.c, XCB_MAP_NOTIFY, std::chrono::seconds(10));
        if (!mapped) {
            std::printf("run %d: the panel did not appear\n", run);
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(*mapped - released).count());
        std::printf("run %d: hot-key release -> panel mapped %.1f ms\n", run, times.back());
        std::this_thread::sleep_for(std::chrono::seconds(1));
        key(x.c, escape, true);
        key(x.c, escape, false);
        xcb_flush(x.c);
        waitFor(x.c, XCB_UNMAP_NOTIFY, std::chrono::seconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }
    std::sort(times.begin(), times.end());
    std::printf("FIGURE hotkey_to_map=%.1f ms\n", times[times.size() / 2]);
    return 0;
}
