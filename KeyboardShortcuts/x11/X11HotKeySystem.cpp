#include "HotKeySystem.h"

#include "X11HotKeys.h"

#include <QPointer>

#include <cstdio>

// The hot-key service on X11: X11HotKeys on the connection of the running
// QGuiApplication, made when first needed (the application may not exist yet
// when the service is created). The application owns it: this service lives
// until exit, past the application and its connection.
namespace KeyboardShortcuts {
namespace {

class X11HotKeySystem final : public HotKeySystem
{
public:
    Status registerHotKey(quint32 carbonKeyCode, quint32 carbonModifiers, quint32 id) override
    {
        X11::X11HotKeys *keys = hotKeys();
        if (!keys)
            return X11::hotKeyNoDisplay;
        const Status status = keys->registerHotKey(int(carbonKeyCode), int(carbonModifiers), id);
        if (status == X11::hotKeyUnmappable)
            std::fprintf(stderr, "KeyboardShortcuts: key code %u with modifiers 0x%x has no X11 key or modifier "
                                 "(the function modifier cannot be grabbed)\n",
                         carbonKeyCode, carbonModifiers);
        return status;
    }

    void unregisterHotKey(quint32 id) override
    {
        if (m_hotKeys)
            m_hotKeys->unregisterHotKey(id);
    }

    bool installEventHandler(EventHandler handler) override
    {
        X11::X11HotKeys *keys = hotKeys();
        if (!keys)
            return false;
        m_handler = std::move(handler);
        keys->setDelivery([this](quint32 id, bool pressed) {
            if (m_eventsEnabled && m_handler)
                m_handler(id, pressed ? EventType::keyDown : EventType::keyUp);
        });
        return true;
    }

    void setHotKeyEventsEnabled(bool enabled) override { m_eventsEnabled = enabled; }

    bool isHeldByAnotherClient(quint32 carbonKeyCode, quint32 carbonModifiers) override
    {
        X11::X11HotKeys *keys = hotKeys();
        return keys && keys->heldElsewhere({{int(carbonKeyCode), int(carbonModifiers)}}).front();
    }

    // One batch of probe grabs for all of them (one by one, the ~1700 combinations
    // of a full probe take a round trip each: most of a second).
    std::vector<bool> areHeldByAnotherClient(const std::vector<std::pair<quint32, quint32>> &combinations) override
    {
        X11::X11HotKeys *keys = hotKeys();
        if (!keys)
            return std::vector<bool>(combinations.size(), false);
        std::vector<std::pair<int, int>> asInts;
        asInts.reserve(combinations.size());
        for (const auto &[keyCode, modifiers] : combinations)
            asInts.emplace_back(int(keyCode), int(modifiers));
        return keys->heldElsewhere(asInts);
    }

private:
    X11::X11HotKeys *hotKeys()
    {
        if (!m_hotKeys)
            m_hotKeys = X11::X11HotKeys::forApplication();
        if (!m_hotKeys && !m_toldNoDisplay) {
            m_toldNoDisplay = true;
            std::fputs("KeyboardShortcuts: the application does not run on X11; global shortcuts are unavailable\n",
                       stderr);
        }
        return m_hotKeys.data();
    }

    QPointer<X11::X11HotKeys> m_hotKeys;
    EventHandler m_handler;
    bool m_eventsEnabled = false;
    bool m_toldNoDisplay = false;
};

} // namespace

std::unique_ptr<HotKeySystem> makeDefaultHotKeySystem()
{
    return std::make_unique<X11HotKeySystem>();
}

} // namespace KeyboardShortcuts
