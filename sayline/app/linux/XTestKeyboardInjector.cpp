#include "XTestKeyboardInjector.h"

#include "TypingPlan.h"
#include "XKeyboardLayout.h"
#include "XcbConnection.h"

#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <QHash>

#include <cstdio>
#include <thread>

namespace {

void putKeysymsOnKeys(const XcbConnection &connection, xcb_keycode_t firstKey,
                      const QList<xkb_keysym_t> &keysyms)
{
    // Both levels carry the keysym, so neither Shift nor the key type can change it.
    QList<xcb_keysym_t> table;
    table.reserve(keysyms.size() * 2);
    for (const xkb_keysym_t keysym : keysyms)
        table << keysym << keysym;
    xcb_change_keyboard_mapping(connection.get(), uint8_t(keysyms.size()), firstKey, 2, table.constData());
}

void pressAndRelease(const XcbConnection &connection, xcb_keycode_t key)
{
    xcb_test_fake_input(connection.get(), XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection.get(), XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

} // namespace

XTestKeyboardInjector::XTestKeyboardInjector()
    : XTestKeyboardInjector(Settling{})
{
}

XTestKeyboardInjector::XTestKeyboardInjector(Settling settling)
    : m_settling(settling)
{
}

XTestKeyboardInjector::~XTestKeyboardInjector() = default;

XcbConnection *XTestKeyboardInjector::connection()
{
    if (!m_connection || !m_connection->isOpen())
        m_connection = std::make_unique<XcbConnection>();
    return m_connection->isOpen() ? m_connection.get() : nullptr;
}

bool XTestKeyboardInjector::isTrusted()
{
    XcbConnection *display = connection();
    return display && display->hasXTest();
}

bool XTestKeyboardInjector::typeText(const QString &text)
{
    XcbConnection *display = connection();
    if (!display || !display->hasXTest())
        return false;
    const std::optional<XKeyboardLayout> layout = XKeyboardLayout::read(*display);
    if (!layout) {
        std::fputs("Cannot type: the display's keymap could not be read\n", stderr);
        return false;
    }
    const QList<xcb_keycode_t> &spare = layout->spareKeycodes();
    const auto plan = planTyping(
        keysymsForText(text),
        [&](xkb_keysym_t keysym) { return layout->directKeycode(keysym).has_value(); },
        spare.size());
    if (!plan) {
        std::fputs("Cannot type: the keymap lacks characters of the text and has no spare keycodes\n", stderr);
        return false;
    }

    qsizetype keysOccupied = 0;
    for (const TypingChunk &chunk : *plan) {
        QHash<xkb_keysym_t, xcb_keycode_t> spareKeyFor;
        if (!chunk.remapped.isEmpty()) {
            putKeysymsOnKeys(*display, spare.first(), chunk.remapped);
            for (qsizetype i = 0; i < chunk.remapped.size(); ++i)
                spareKeyFor.insert(chunk.remapped[i], spare[i]);
            keysOccupied = std::max(keysOccupied, chunk.remapped.size());
            display->sync();
            std::this_thread::sleep_for(m_settling.afterRemap);
        }
        for (const xkb_keysym_t keysym : chunk.keysyms) {
            const auto direct = layout->directKeycode(keysym);
            pressAndRelease(*display, direct ? *direct : spareKeyFor.value(keysym));
        }
        display->sync();
        if (!chunk.remapped.isEmpty())
            std::this_thread::sleep_for(m_settling.afterTyping);
    }
    if (keysOccupied > 0) {
        putKeysymsOnKeys(*display, spare.first(), QList<xkb_keysym_t>(keysOccupied, XKB_KEY_NoSymbol));
        display->sync();
    }
    return display->isOpen();
}

QStringList XTestKeyboardInjector::heldModifiers()
{
    XcbConnection *display = connection();
    if (!display)
        return {};
    const std::optional<XKeyboardLayout> layout = XKeyboardLayout::read(*display);
    XcbReply<xcb_query_keymap_reply_t> pressed(
        xcb_query_keymap_reply(display->get(), xcb_query_keymap(display->get()), nullptr));
    if (!layout || !pressed)
        return {};
    QStringList held;
    for (auto it = layout->modifierKeys().cbegin(); it != layout->modifierKeys().cend(); ++it) {
        const xcb_keycode_t key = it.key();
        if ((pressed->keys[key / 8] >> (key % 8)) & 1 && !held.contains(it.value()))
            held.append(it.value());
    }
    held.sort();
    return held;
}

std::unique_ptr<KeyboardInjector> makeDefaultKeyboardInjector()
{
    return std::make_unique<XTestKeyboardInjector>();
}
