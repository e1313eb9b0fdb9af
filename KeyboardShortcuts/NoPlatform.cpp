#include "HotKeySystem.h"
#include "KeyboardLayout.h"

// Built only when the platform adapters (x11/) are absent: no hot key can be
// registered and no layout is known, so shortcuts are stored and shown but never fire.
namespace KeyboardShortcuts {
namespace {

class NoHotKeySystem final : public HotKeySystem
{
public:
    Status registerHotKey(quint32, quint32, quint32) override { return -1; }
    void unregisterHotKey(quint32) override {}
    bool installEventHandler(EventHandler) override { return false; }
    void setHotKeyEventsEnabled(bool) override {}
    bool isHeldByAnotherClient(quint32, quint32) override { return false; }
};

class NoKeyboardLayout final : public KeyboardLayout
{
public:
    std::optional<QString> translate(int) override { return std::nullopt; }
};

} // namespace

std::unique_ptr<HotKeySystem> makeDefaultHotKeySystem()
{
    return std::make_unique<NoHotKeySystem>();
}

std::unique_ptr<KeyboardLayout> makeDefaultKeyboardLayout()
{
    return std::make_unique<NoKeyboardLayout>();
}

} // namespace KeyboardShortcuts
