#pragma once

#include <QList>

#include <cstdint>
#include <memory>

#include "fake-input-client-protocol.h"

class WaylandConnection;

// Key presses through KWin's org_kde_kwin_fake_input. They go through the
// compositor's own keyboard, so the keys are evdev key codes read with the
// user's current layout, and they combine with whatever keys the user holds.
//
// KWin offers the interface only to programs whose installed desktop entry
// names it in X-KDE-Wayland-Interfaces (and whose Exec is the absolute path of
// the running executable); to any other program the global is simply absent.
// Once offered, KWin grants the keyboard on the authenticate request.
class FakeInputKeyboard
{
public:
    // None when the compositor does not offer the interface (at the version
    // with keyboard keys) to this program.
    static std::unique_ptr<FakeInputKeyboard> create(std::shared_ptr<WaylandConnection> connection);
    ~FakeInputKeyboard();

    bool isAlive() const;
    // Presses the keys in order and releases them in reverse order, then waits
    // until the compositor has handled them; false when the connection broke.
    bool pressChord(const QList<std::uint32_t> &keys);

private:
    struct Destroy
    {
        void operator()(org_kde_kwin_fake_input *p) const { org_kde_kwin_fake_input_destroy(p); }
    };
    using FakeInput = std::unique_ptr<org_kde_kwin_fake_input, Destroy>;

    FakeInputKeyboard(std::shared_ptr<WaylandConnection> connection, FakeInput fakeInput);

    std::shared_ptr<WaylandConnection> m_connection;
    FakeInput m_fakeInput;
};
