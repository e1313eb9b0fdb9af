#include "HotKeySystem.h"
#include "KeyboardLayout.h"

// The process-wide platform services, created from the adapter's factories on
// first use unless a test installed its own.
namespace KeyboardShortcuts {
namespace {

std::unique_ptr<HotKeySystem> &hotKeySystemInstance()
{
    static std::unique_ptr<HotKeySystem> instance;
    return instance;
}

std::unique_ptr<KeyboardLayout> &keyboardLayoutInstance()
{
    static std::unique_ptr<KeyboardLayout> instance;
    return instance;
}

} // namespace

HotKeySystem &HotKeySystem::shared()
{
    auto &instance = hotKeySystemInstance();
    if (!instance)
        instance = makeDefaultHotKeySystem();
    return *instance;
}

void HotKeySystem::setShared(std::unique_ptr<HotKeySystem> system)
{
    hotKeySystemInstance() = std::move(system);
}

KeyboardLayout &KeyboardLayout::shared()
{
    auto &instance = keyboardLayoutInstance();
    if (!instance)
        instance = makeDefaultKeyboardLayout();
    return *instance;
}

void KeyboardLayout::setShared(std::unique_ptr<KeyboardLayout> layout)
{
    keyboardLayoutInstance() = std::move(layout);
}

} // namespace KeyboardShortcuts
