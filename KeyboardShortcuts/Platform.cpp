#include "HotKeySystem.h"
#include "KeyboardLayout.h"

// The process-wide platform services, created from the adapter's factories on
// first use unless a test installed its own.
namespace KeyboardShortcuts {
namespace {

template<typename Service>
std::unique_ptr<Service> &instance()
{
    static std::unique_ptr<Service> service;
    return service;
}

template<typename Service>
Service &sharedInstance(std::unique_ptr<Service> (*makeDefault)())
{
    auto &service = instance<Service>();
    if (!service)
        service = makeDefault();
    return *service;
}

} // namespace

HotKeySystem &HotKeySystem::shared()
{
    return sharedInstance<HotKeySystem>(&makeDefaultHotKeySystem);
}

void HotKeySystem::setShared(std::unique_ptr<HotKeySystem> system)
{
    instance<HotKeySystem>() = std::move(system);
}

KeyboardLayout &KeyboardLayout::shared()
{
    return sharedInstance<KeyboardLayout>(&makeDefaultKeyboardLayout);
}

void KeyboardLayout::setShared(std::unique_ptr<KeyboardLayout> layout)
{
    instance<KeyboardLayout>() = std::move(layout);
}

} // namespace KeyboardShortcuts
