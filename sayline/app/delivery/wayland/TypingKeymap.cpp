#include "TypingKeymap.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

constexpr std::uint32_t returnKey = 36, tabKey = 23; // xkb key codes of the usual positions
constexpr std::uint32_t firstKey = 9, lastKey = 255; // lastKey: the X core protocol's limit
constexpr std::uint32_t evdevOffset = 8;

// The n-th free key code, skipping the fixed positions.
std::uint32_t freeKey(qsizetype index)
{
    std::uint32_t key = firstKey;
    for (qsizetype skipped = 0;; ++key) {
        if (key == returnKey || key == tabKey)
            continue;
        if (skipped++ == index)
            return key;
    }
}

QByteArray keysymName(xkb_keysym_t keysym)
{
    char name[64];
    const int length = xkb_keysym_get_name(keysym, name, sizeof name);
    return length > 0 ? QByteArray(name, length) : QByteArray("NoSymbol");
}

} // namespace

static_assert(TypingKeymap::capacity == lastKey - firstKey + 1 - 2);

TypingKeymap::TypingKeymap(const QList<xkb_keysym_t> &keysyms) : m_keysyms(keysyms.first(qMin(keysyms.size(), capacity)))
{
    QByteArray codes = "minimum = 8;\nmaximum = 255;\n<K36> = 36;\n<K23> = 23;\n";
    QByteArray symbols = "key <K36> {[ Return ]};\nkey <K23> {[ Tab ]};\n";
    for (qsizetype i = 0; i < m_keysyms.size(); ++i) {
        const QByteArray key = QByteArray::number(freeKey(i));
        codes += "<K" + key + "> = " + key + ";\n";
        symbols += "key <K" + key + "> {[ " + keysymName(m_keysyms[i]) + " ]};\n";
    }
    m_text = "xkb_keymap {\nxkb_keycodes \"sayline\" {\n" + codes + "};\n"
             "xkb_types \"sayline\" { include \"complete\" };\n"
             "xkb_compatibility \"sayline\" { include \"complete\" };\n"
             "xkb_symbols \"sayline\" {\n" + symbols + "};\n};\n";
    m_text.append('\0');
}

bool TypingKeymap::hasFixedKey(xkb_keysym_t keysym)
{
    return keysym == XKB_KEY_Return || keysym == XKB_KEY_Tab;
}

std::uint32_t TypingKeymap::keyFor(xkb_keysym_t keysym) const
{
    if (keysym == XKB_KEY_Return)
        return returnKey - evdevOffset;
    if (keysym == XKB_KEY_Tab)
        return tabKey - evdevOffset;
    return freeKey(m_keysyms.indexOf(keysym)) - evdevOffset;
}
