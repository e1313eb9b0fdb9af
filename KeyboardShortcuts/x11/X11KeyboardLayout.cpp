#include "KeyboardLayout.h"

#include "XkbKeyboardLayout.h"

// The keyboard-layout service on X11, connected when first asked and again after
// a failed attempt (the display may come up later than the service).
namespace KeyboardShortcuts {
namespace {

class X11KeyboardLayout final : public KeyboardLayout
{
public:
    std::optional<QString> translate(int carbonKeyCode) override
    {
        if (!m_layout)
            m_layout = X11::XkbKeyboardLayout::connect();
        return m_layout ? m_layout->character(carbonKeyCode) : std::nullopt;
    }

private:
    std::unique_ptr<X11::XkbKeyboardLayout> m_layout;
};

} // namespace

std::unique_ptr<KeyboardLayout> makeDefaultKeyboardLayout()
{
    return std::make_unique<X11KeyboardLayout>();
}

} // namespace KeyboardShortcuts
