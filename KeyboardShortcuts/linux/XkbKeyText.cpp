#include "XkbKeyText.h"

#include <iterator>
#include <memory>

namespace KeyboardShortcuts::Xkb {
namespace {

// A dead key types nothing by itself; it is shown as its accent's spacing form.
// Keysyms dead_grave (0xfe50) to dead_iota (0xfe5d), in order.
constexpr char16_t deadKeyAccents[] = u"`´^~¯˘˙¨˚˝ˇ¸˛ͺ";
constexpr xkb_keysym_t firstDeadKeySym = 0xfe50;

std::optional<QString> deadKeyAccent(xkb_keysym_t keysym)
{
    const xkb_keysym_t index = keysym - firstDeadKeySym;
    if (keysym < firstDeadKeySym || index >= std::size(deadKeyAccents) - 1)
        return std::nullopt;
    return QString(QChar(deadKeyAccents[index]));
}

struct UnrefState
{
    void operator()(xkb_state *state) const { xkb_state_unref(state); }
};

} // namespace

std::optional<QString> keyText(xkb_keymap *keymap, xkb_layout_index_t group, xkb_keycode_t key)
{
    std::unique_ptr<xkb_state, UnrefState> state(xkb_state_new(keymap));
    if (!state)
        return std::nullopt;
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);
    char text[64] = {};
    const int length = xkb_state_key_get_utf8(state.get(), key, text, sizeof text);
    if (length == 0)
        return deadKeyAccent(xkb_state_key_get_one_sym(state.get(), key));
    if (length < 0 || length >= int(sizeof text))
        return std::nullopt;
    return QString::fromUtf8(text, length);
}

} // namespace KeyboardShortcuts::Xkb
