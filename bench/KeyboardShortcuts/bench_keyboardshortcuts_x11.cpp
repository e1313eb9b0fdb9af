// Prints how fast a global shortcut reaches its handler on X11:
//  - X key release -> handler, in process: from the release event's arrival in the
//    native event filter to the key-up action, with 2 and with 100 names;
//  - fake key release sent (XTEST) -> handler, and `xdotool key` -> handler, wall time;
//  - the key-up dispatcher alone with 2 and 100 names;
//  - the system-shortcut probes and the layout lookup.
// Run beside an X server (QT_QPA_PLATFORM=xcb) and with a throw-away home.

#include "KeyboardShortcuts.h"
#include "CarbonKeyCodes.h"
#include "X11HotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using namespace KeyboardShortcuts;
using Clock = std::chrono::steady_clock;

namespace {

// X key codes of the default (evdev) keymap.
constexpr xcb_keycode_t xControl = 37, xSuper = 133, xA = 38;
const ModifierFlags controlCommand{ModifierFlag::control, ModifierFlag::command};

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void printFigures(const char *what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values)
        sum += v;
    std::printf("%-52s n=%-4zu median %9.1f us  mean %9.1f us  p90 %9.1f us  max %9.1f us\n", what, values.size(),
                values[values.size() / 2], sum / values.size(), values[values.size() * 9 / 10], values.back());
    std::fflush(stdout);
}

// Notes when a key release of one X key code arrives; installed after the hot-key
// filter, it runs before it.
class ReleaseArrival : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_KEY_RELEASE
            && reinterpret_cast<const xcb_key_release_event_t *>(event)->detail == xA)
            arrived = Clock::now();
        return false;
    }
    Clock::time_point arrived;
};

// Plays the keyboard through XTEST on a connection of its own.
class FakeKeyboard
{
public:
    FakeKeyboard() : m_connection(xcb_connect(nullptr, nullptr), &xcb_disconnect) {}
    bool usable() const { return !xcb_connection_has_error(m_connection.get()); }
    void send(std::uint8_t type, xcb_keycode_t key)
    {
        xcb_test_fake_input(m_connection.get(), type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    // Returns once the server has handled everything sent (a round trip).
    void flush()
    {
        std::free(xcb_get_input_focus_reply(m_connection.get(), xcb_get_input_focus(m_connection.get()), nullptr));
    }

private:
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> m_connection;
};

struct Counters {
    int downs = 0;
    int ups = 0;
    Clock::time_point lastUp;
};

bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// Names until there are `count`: the first is Control-Command-A, the others other combinations.
void addNames(int count, std::vector<Name> &names, Counters &counters)
{
    const int modifierSets[] = {CarbonModifier::control | CarbonModifier::command,
                                CarbonModifier::control | CarbonModifier::option | CarbonModifier::command,
                                CarbonModifier::control | CarbonModifier::shift | CarbonModifier::command};
    for (int i = int(names.size()); i < count; ++i) {
        const Shortcut shortcut(i % 34, modifierSets[i / 34]);
        names.emplace_back(QStringLiteral("bench%1").arg(i), shortcut);
        if (i == 0) {
            onKeyDown(names.back(), [&counters] { ++counters.downs; });
            onKeyUp(names.back(), [&counters] {
                counters.lastUp = Clock::now();
                ++counters.ups;
            });
        } else {
            onKeyUp(names.back(), [] {});
        }
    }
}

bool measureReleases(int nameCount, FakeKeyboard &keyboard, Counters &counters)
{
    ReleaseArrival arrival;
    qApp->installNativeEventFilter(&arrival);
    std::vector<double> inProcess, sentToHandler;
    for (int i = 0; i < 300; ++i) {
        const int downs = counters.downs, ups = counters.ups;
        keyboard.send(XCB_KEY_PRESS, xControl);
        keyboard.send(XCB_KEY_PRESS, xSuper);
        keyboard.send(XCB_KEY_PRESS, xA);
        keyboard.flush();
        if (!waitFor([&] { return counters.downs > downs; }))
            return false;
        const auto sent = Clock::now();
        keyboard.send(XCB_KEY_RELEASE, xA);
        keyboard.flush();
        if (!waitFor([&] { return counters.ups > ups; }))
            return false;
        inProcess.push_back(microseconds(counters.lastUp - arrival.arrived));
        sentToHandler.push_back(microseconds(counters.lastUp - sent));
        keyboard.send(XCB_KEY_RELEASE, xSuper);
        keyboard.send(XCB_KEY_RELEASE, xControl);
        keyboard.flush();
    }
    qApp->removeNativeEventFilter(&arrival);
    char label[96];
    std::snprintf(label, sizeof label, "release in filter -> key-up handler, %d names", nameCount);
    printFigures(label, inProcess);
    std::snprintf(label, sizeof label, "XTEST release sent -> key-up handler, %d names", nameCount);
    printFigures(label, sentToHandler);
    return true;
}

void measureDispatch(int nameCount)
{
    const Shortcut fired(Key::a, controlCommand);
    std::vector<double> perCall;
    for (int round = 0; round < 50; ++round) {
        constexpr int calls = 200;
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i)
            handleOnKeyUp(fired);
        perCall.push_back(microseconds(Clock::now() - start) / calls);
    }
    char label[96];
    std::snprintf(label, sizeof label, "key-up dispatcher alone, %d names (per call)", nameCount);
    printFigures(label, perCall);
}

bool measureXdotool(Counters &counters)
{
    std::vector<double> wall;
    for (int i = 0; i < 30; ++i) {
        const int ups = counters.ups;
        const auto start = Clock::now();
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+super+a")});
        if (!waitFor([&] { return counters.ups > ups; }))
            return false;
        wall.push_back(microseconds(counters.lastUp - start));
        xdotool.waitForFinished();
    }
    printFigures("`xdotool key ctrl+super+a` started -> key-up handler", wall);
    return true;
}

void measureProbesAndLayout()
{
    std::vector<double> single, all, character;
    const Shortcut candidate(Key::k, {ModifierFlag::control, ModifierFlag::option});
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        isSystemShortcut(candidate);
        single.push_back(microseconds(Clock::now() - start));
    }
    printFigures("isSystemShortcut (one probe, 4 lock states)", single);
    qsizetype reserved = 0;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        reserved = systemShortcuts().size();
        all.push_back(microseconds(Clock::now() - start));
    }
    printFigures("systemShortcuts (every key x 16 combinations)", all);
    std::printf("  (%lld combinations reserved by other clients)\n", static_cast<long long>(reserved));
    // The same candidates in one batch of grab requests, straight through the adapter.
    std::vector<std::pair<int, int>> candidates;
    for (const int keyCode : mappedCarbonKeyCodes()) {
        if (keyCode < Key::rightCommand.rawValue || keyCode > Key::function.rawValue) {
            for (int combination = 0; combination < 16; ++combination)
                candidates.emplace_back(keyCode, (combination & 1 ? CarbonModifier::control : 0)
                                                     | (combination & 2 ? CarbonModifier::option : 0)
                                                     | (combination & 4 ? CarbonModifier::shift : 0)
                                                     | (combination & 8 ? CarbonModifier::command : 0));
        }
    }
    std::vector<double> batch;
    auto *adapter = X11::X11HotKeys::forApplication();
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        adapter->heldElsewhere(candidates);
        batch.push_back(microseconds(Clock::now() - start));
    }
    delete adapter;
    char label[96];
    std::snprintf(label, sizeof label, "one batch probe of the same %zu combinations", candidates.size());
    printFigures(label, batch);
    for (int i = 0; i < 500; ++i) {
        const auto start = Clock::now();
        keyToCharacter(Key::z.rawValue);
        character.push_back(microseconds(Clock::now() - start));
    }
    printFigures("keyToCharacter (keymap cached)", character);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    FakeKeyboard keyboard;
    if (!keyboard.usable()) {
        std::fputs("bench_keyboardshortcuts_x11: needs an X server (DISPLAY)\n", stderr);
        return 1;
    }
    Counters counters;
    std::vector<Name> names;
    names.reserve(100);
    for (int count : {2, 100}) {
        addNames(count, names, counters);
        if (!measureReleases(count, keyboard, counters)) {
            std::fputs("bench_keyboardshortcuts_x11: the hot key did not fire\n", stderr);
            return 1;
        }
        measureDispatch(count);
    }
    if (!measureXdotool(counters)) {
        std::fputs("bench_keyboardshortcuts_x11: xdotool's key did not reach the handler\n", stderr);
        return 1;
    }
    measureProbesAndLayout();
    return 0;
}
