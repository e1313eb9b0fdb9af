#pragma once

#include "KeyboardInjector.h"

#include <QByteArray>

#include <chrono>
#include <memory>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

class WaylandConnection;

// Types text into the focused window through a virtual keyboard of the
// compositor (zwp_virtual_keyboard_manager_v1).
//
// The keyboard is made once, when the injector is made: the compositor drops
// keys sent right after a virtual keyboard appears, so the first text waits
// until the keyboard is `afterCreation` old. Each text is typed under a
// keymap of its own holding exactly its characters (any Unicode, whatever the
// user's layout), uploaded before its keys (the compositor may have replaced it
// since: sway does when its input settings change); a text with more distinct characters
// than one keymap holds goes in several keymaps. Keys go out in batches with a
// round trip after each, so the compositor never has more of them queued than a
// batch.
struct VirtualKeyboardPacing
{
    std::chrono::milliseconds afterCreation{50};
    int keysPerBatch = 64;
};

class VirtualKeyboardInjector final : public KeyboardInjector
{
public:
    using Pacing = VirtualKeyboardPacing;

    // Without a virtual keyboard manager on the connection the injector exists
    // but is not trusted and types nothing.
    explicit VirtualKeyboardInjector(std::shared_ptr<WaylandConnection> connection, Pacing pacing = {});
    ~VirtualKeyboardInjector() override;

    bool isTrusted() override;
    bool typeText(const QString &text) override;
    // Wayland shows no client the keys of other keyboards; and the keys of this
    // keyboard carry its own modifier state (none), not that of keys the user
    // holds, so there is nothing to wait for.
    QStringList heldModifiers() override { return {}; }

private:
    bool uploadKeymap(const QByteArray &keymap);
    void sendKey(std::uint32_t key);
    void waitUntilSettled() const;

    struct Destroy
    {
        void operator()(zwp_virtual_keyboard_manager_v1 *p) const { zwp_virtual_keyboard_manager_v1_destroy(p); }
        void operator()(zwp_virtual_keyboard_v1 *p) const { zwp_virtual_keyboard_v1_destroy(p); }
    };
    using Manager = std::unique_ptr<zwp_virtual_keyboard_manager_v1, Destroy>;
    using Keyboard = std::unique_ptr<zwp_virtual_keyboard_v1, Destroy>;

    std::shared_ptr<WaylandConnection> m_connection;
    Pacing m_pacing;
    Manager m_manager;
    Keyboard m_keyboard;
    QByteArray m_keymap; // the one the compositor holds
    std::chrono::steady_clock::time_point m_created;
};
