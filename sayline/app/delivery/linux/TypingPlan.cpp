#include "TypingPlan.h"

#include <xkbcommon/xkbcommon-keysyms.h>

QList<xkb_keysym_t> keysymsForText(const QString &text)
{
    QList<xkb_keysym_t> keysyms;
    const QList<uint> codePoints = text.toUcs4();
    keysyms.reserve(codePoints.size());
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const uint c = codePoints[i];
        if (c == '\r') {
            keysyms.append(XKB_KEY_Return);
            if (i + 1 < codePoints.size() && codePoints[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            keysyms.append(XKB_KEY_Return);
        } else if (c == '\t') {
            keysyms.append(XKB_KEY_Tab);
        } else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
            continue;
        } else if (const xkb_keysym_t keysym = xkb_utf32_to_keysym(c); keysym != XKB_KEY_NoSymbol) {
            keysyms.append(keysym);
        }
    }
    return keysyms;
}

std::optional<QList<TypingChunk>> planTyping(const QList<xkb_keysym_t> &keysyms,
                                             const std::function<bool(xkb_keysym_t)> &isDirect,
                                             qsizetype spareKeys)
{
    QList<TypingChunk> chunks;
    TypingChunk current;
    for (const xkb_keysym_t keysym : keysyms) {
        if (!isDirect(keysym) && !current.remapped.contains(keysym)) {
            if (spareKeys <= 0)
                return std::nullopt;
            if (current.remapped.size() == spareKeys) {
                chunks.append(std::move(current));
                current = {};
            }
            current.remapped.append(keysym);
        }
        current.keysyms.append(keysym);
    }
    if (!current.keysyms.isEmpty())
        chunks.append(std::move(current));
    return chunks;
}
