// Soak: shortcut registrations and unregistrations through
// CarbonKeyboardShortcuts on a real X server (run beside
// tests/support/with-services --x). Prints the hot-key table size, resident
// memory and open descriptors every 1000 operations, and at the end whether
// the table is empty and every combination used can be grabbed again by
// another X client (so no passive grab was left behind).
//
//   soak_shortcuts [REGISTRATIONS=10000]

#include "ProcessGauges.h"
#include "CarbonKeyboardShortcuts.h"
#include "Key.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace KeyboardShortcuts;

namespace {

struct Combination
{
    Shortcut shortcut;
    xcb_keycode_t keycode; // of the default (evdev) keymap
    std::uint16_t modifiers;
};

// Another X client: it can grab a combination only when nobody else holds it.
class SecondClient
{
public:
    SecondClient() : m_connection(xcb_connect(nullptr, nullptr), xcb_disconnect)
    {
        if (xcb_connection_has_error(m_connection.get()))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection.get())).data->root;
    }
    bool usable() const { return m_root != 0; }

    // Tries the combination in the four lock states our grabs cover (none,
    // Caps Lock, Num Lock on Mod2, both); releases what it got.
    bool canGrab(const Combination &combination)
    {
        bool all = true;
        for (const int locks : {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), int(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2)}) {
            const std::uint16_t state = std::uint16_t(combination.modifiers | locks);
            xcb_generic_error_t *error = xcb_request_check(
                m_connection.get(), xcb_grab_key_checked(m_connection.get(), 1, m_root, state, combination.keycode,
                                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            if (error) {
                all = false;
                std::free(error);
            } else {
                xcb_ungrab_key(m_connection.get(), combination.keycode, m_root, state);
            }
        }
        xcb_flush(m_connection.get());
        return all;
    }

private:
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> m_connection;
    xcb_window_t m_root = 0;
};

// Lets the server see every request of Qt's connection (grabs and ungrabs).
void syncApplicationConnection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const int registrations = argc > 1 ? std::atoi(argv[1]) : 10000;
    SecondClient other;
    if (!other.usable()) {
        std::fputs("soak_shortcuts: needs an X server (DISPLAY)\n", stderr);
        return 2;
    }
    const ModifierFlags controlOption{ModifierFlag::control, ModifierFlag::option};
    const ModifierFlags controlShiftCommand{ModifierFlag::control, ModifierFlag::shift, ModifierFlag::command};
    const std::uint16_t xControlOption = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    const std::uint16_t xControlShiftSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
    const std::vector<Combination> combinations{
        {Shortcut(Key::a, controlOption), 38, xControlOption},
        {Shortcut(Key::s, controlOption), 39, xControlOption},
        {Shortcut(Key::d, controlShiftCommand), 40, xControlShiftSuper},
        {Shortcut(Key::f, controlShiftCommand), 41, xControlShiftSuper},
    };
    for (const Combination &combination : combinations) {
        if (!other.canGrab(combination)) {
            std::printf("%s is held by another client before the soak\n", qPrintable(combination.shortcut.description()));
            return 2;
        }
    }

    // The probe must see our grabs, or a clean result below would mean nothing.
    CarbonKeyboardShortcuts::registerShortcut(combinations[0].shortcut, {}, {});
    syncApplicationConnection();
    const bool probeSeesGrab = !other.canGrab(combinations[0]);
    CarbonKeyboardShortcuts::unregisterShortcut(combinations[0].shortcut);
    std::printf("second client blocked by a live registration: %s\n", probeSeesGrab ? "yes" : "NO");

    soak::Gauges first = soak::Gauges::now();
    std::printf("%12s %8s %10s %6s\n", "registered", "hot keys", "RSS KiB", "fds");
    std::size_t largestTable = 0;
    for (int i = 1; i <= registrations / 2; ++i) {
        // Two live at a time, released in the order taken or the reverse, by turns.
        const Combination &one = combinations[i % combinations.size()];
        const Combination &two = combinations[(i + 1) % combinations.size()];
        CarbonKeyboardShortcuts::registerShortcut(one.shortcut, {}, {});
        CarbonKeyboardShortcuts::registerShortcut(two.shortcut, {}, {});
        largestTable = std::max(largestTable, CarbonKeyboardShortcuts::hotKeys().size());
        CarbonKeyboardShortcuts::unregisterShortcut(i % 2 ? one.shortcut : two.shortcut);
        CarbonKeyboardShortcuts::unregisterShortcut(i % 2 ? two.shortcut : one.shortcut);
        if (i % 50 == 0)
            QCoreApplication::processEvents();
        if (i % 500 == 0) {
            syncApplicationConnection();
            const soak::Gauges now = soak::Gauges::now();
            if (i == 500)
                first = now;
            std::printf("%12d %8zu %10ld %6ld\n", i * 2, CarbonKeyboardShortcuts::hotKeys().size(), now.rssKiB,
                        now.descriptors);
            std::fflush(stdout);
        }
    }
    syncApplicationConnection();
    int grabbable = 0;
    for (const Combination &combination : combinations)
        grabbable += other.canGrab(combination);
    const soak::Gauges last = soak::Gauges::now();
    const bool empty = CarbonKeyboardShortcuts::hotKeys().empty();
    std::printf("%d registrations and as many unregistrations (largest table %zu); table empty at the end: %s; "
                "combinations grabbable again by another client: %d of %zu; RSS %+ld KiB, fds %+ld since the first 1000\n",
                registrations, largestTable, empty ? "yes" : "NO", grabbable, combinations.size(),
                last.rssKiB - first.rssKiB, last.descriptors - first.descriptors);
    std::printf("FIGURE soak_shortcuts_leftover_grabs=%zu combinations\n", combinations.size() - grabbable);
    std::printf("FIGURE soak_shortcuts_rss_growth=%ld KiB\n", last.rssKiB - first.rssKiB);
    return probeSeesGrab && empty && grabbable == int(combinations.size()) && largestTable == 2 ? 0 : 1;
}
