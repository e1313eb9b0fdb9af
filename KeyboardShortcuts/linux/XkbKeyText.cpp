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

xkb_layout_index_t latinLetterGroup(xkb_keymap *keymap, xkb_layout_index_t current)
{
    // The keys A, S, D, Z, Q, W (evdev codes; XKB key codes are 8 more).
    static constexpr xkb_keycode_t letterKeys[] = {30 + 8, 31 + 8, 32 + 8, 44 + 8, 16 + 8, 17 + 8};
    const auto typesLatinLetters = [keymap](xkb_layout_index_t group) {
        for (const xkb_keycode_t key : letterKeys) {
            const std::optional<QString> text = keyText(keymap, group, key);
            if (!text || text->size() != 1 || !text->at(0).isLower() || text->at(0).unicode() > 0x7f)
                return false;
        }
        return true;
    };
    if (typesLatinLetters(current))
        return current;
    const xkb_layout_index_t groups = xkb_keymap_num_layouts(keymap);
    for (xkb_layout_index_t group = 0; group < groups; ++group) {
        if (group != current && typesLatinLetters(group))
            return group;
    }
    return current; // no Latin group at all: the keys as they are
}

} // namespace KeyboardShortcuts::Xkb
