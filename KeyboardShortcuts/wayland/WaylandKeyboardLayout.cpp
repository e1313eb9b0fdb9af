#include "KeyboardLayout.h"

#include "CarbonKeyCodes.h"
#include "WaylandKeymapListener.h"
#include "XkbKeyText.h"

// The keyboard-layout service on a Wayland compositor, connected when first
// asked and again after a failed attempt. Clients without keyboard focus are
// not told the active layout group: keys are named on the keymap's first layout.
namespace KeyboardShortcuts {
namespace {

constexpr int evdevToXkb = 8;

class WaylandKeyboardLayout final : public KeyboardLayout
{
public:
    std::optional<QString> translate(int carbonKeyCode) override
    {
        const auto evdev = evdevCodeForCarbonKeyCode(carbonKeyCode);
        if (!evdev)
            return std::nullopt;
        if (!m_listener)
            m_listener = Wayland::WaylandKeymapListener::connect();
        xkb_keymap *keymap = m_listener ? m_listener->keymap() : nullptr;
        if (!keymap)
            return std::nullopt;
        return Xkb::keyText(keymap, Xkb::latinLetterGroup(keymap, 0), xkb_keycode_t(*evdev + evdevToXkb));
    }

private:
    std::unique_ptr<Wayland::WaylandKeymapListener> m_listener;
};

} // namespace

std::unique_ptr<KeyboardLayout> makeWaylandKeyboardLayout()
{
    return std::make_unique<WaylandKeyboardLayout>();
}

} // namespace KeyboardShortcuts
