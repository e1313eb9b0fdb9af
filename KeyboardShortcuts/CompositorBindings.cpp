#include "CompositorBindings.h"

namespace KeyboardShortcuts {
namespace {

class CompositorBindingHotKeySystem final : public HotKeySystem
{
public:
    Status registerHotKey(quint32, quint32, quint32) override { return noErr; }
    void unregisterHotKey(quint32) override {}
    bool installEventHandler(EventHandler) override { return true; }
    void setHotKeyEventsEnabled(bool) override {}
    bool isHeldByAnotherClient(quint32, quint32) override { return false; }
};

} // namespace

std::unique_ptr<HotKeySystem> makeCompositorBindingHotKeySystem()
{
    return std::make_unique<CompositorBindingHotKeySystem>();
}

} // namespace KeyboardShortcuts
