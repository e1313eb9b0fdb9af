#include "XTestKeyboardInjector.h"

#include "TypingPlan.h"
#include "XKeyboardLayout.h"
#include "XcbConnection.h"

#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <thread>

namespace {

// One mapping request per run of consecutive keycodes, all sent before one
// round trip. Both levels carry the keysym, so neither Shift nor the key type
// can change it.
void putKeysymsOnKeys(const XcbConnection &connection, const QList<uint8_t> &keys, const QList<uint32_t> &keysyms)
{
    for (qsizetype start = 0; start < keys.size();) {
        qsizetype end = start + 1;
        while (end < keys.size() && keys[end] == keys[end - 1] + 1)
            ++end;
        QList<xcb_keysym_t> table;
        for (qsizetype i = start; i < end; ++i)
            table << keysyms[i] << keysyms[i];
        xcb_change_keyboard_mapping(connection.get(), uint8_t(end - start), keys[start], 2, table.constData());
        start = end;
    }
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

void XTestKeyboardInjector::scheduleRestore()
{
    // Made on first use: the injector may be created before the application object.
    if (!m_restoreTimer && QCoreApplication::instance()) {
        m_restoreTimer = std::make_unique<QTimer>();
        m_restoreTimer->setSingleShot(true);
        QObject::connect(m_restoreTimer.get(), &QTimer::timeout, [this] { restoreKeymap(); });
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, m_restoreTimer.get(),
                         [this] { restoreKeymap(); });
    }
    if (m_restoreTimer)
        m_restoreTimer->start(m_settling.restoreAfter);
}

XTestKeyboardInjector::~XTestKeyboardInjector()
{
    restoreKeymap();
}

XcbConnection *XTestKeyboardInjector::connection()
{
    if (!m_connection || !m_connection->isOpen()) {
        // A new connection may mean a new server: nothing of ours is lent there.
        m_connection = std::make_unique<XcbConnection>();
        m_lent.clear();
    }
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
    const bool typed = typeKeysyms(*display, text);
    if (!m_lent.isEmpty())
        scheduleRestore();
    return typed && display->isOpen();
}

bool XTestKeyboardInjector::typeKeysyms(XcbConnection &display, const QString &text)
{
    const QList<xkb_keysym_t> keysyms = keysymsForText(text);
    std::optional<XKeyboardLayout> layout;
    std::optional<QList<TypingChunk>> plan;
    // At most twice: once over what is lent already, once over a restored keymap.
    for (int attempt = 0; attempt < 2; ++attempt) {
        layout = XKeyboardLayout::read(display);
        if (!layout) {
            std::fputs("Cannot type: the display's keymap could not be read\n", stderr);
            return false;
        }
        bool lentStillThere = true;
        for (qsizetype i = 0; i < m_lent.size(); ++i)
            lentStillThere = lentStillThere && layout->coreKeysym(m_spareKeys[i]) == m_lent[i];
        if (!lentStillThere) // someone loaded another keymap meanwhile
            m_lent.clear();
        if (m_lent.isEmpty())
            m_spareKeys = layout->spareKeycodes();
        // Keysyms lent earlier count as keys of the layout.
        plan = planTyping(
            keysyms, [&](xkb_keysym_t keysym) { return layout->directKeycode(keysym).has_value(); },
            m_spareKeys.size() - m_lent.size());
        if ((plan && plan->size() <= 1) || m_lent.isEmpty())
            break;
        restoreKeymap();
    }
    if (!plan) {
        std::fputs("Cannot type: the keymap lacks characters of the text and has no spare keycodes\n", stderr);
        return false;
    }

    for (qsizetype chunk = 0; chunk < plan->size(); ++chunk) {
        const TypingChunk &part = (*plan)[chunk];
        if (chunk > 0) {
            // The whole run is lent anew; the previous chunk must have been read first.
            waitBeforeReuse();
            m_lent.clear();
        }
        const qsizetype firstLent = m_lent.size();
        if (!part.remapped.isEmpty())
            lend(display, part.remapped);
        for (const xkb_keysym_t keysym : part.keysyms) {
            const qsizetype lentIndex = m_lent.indexOf(keysym, firstLent);
            const auto direct = layout->directKeycode(keysym);
            pressAndRelease(display, lentIndex >= 0 ? m_spareKeys[lentIndex] : *direct);
        }
        display.sync();
        m_lastTyped = std::chrono::steady_clock::now();
    }
    return true;
}

void XTestKeyboardInjector::lend(XcbConnection &display, const QList<uint32_t> &keysyms)
{
    putKeysymsOnKeys(display, m_spareKeys.mid(m_lent.size(), keysyms.size()), keysyms);
    m_lent += keysyms;
    display.sync();
    std::this_thread::sleep_for(m_settling.afterRemap);
}

void XTestKeyboardInjector::waitBeforeReuse() const
{
    std::this_thread::sleep_until(m_lastTyped + m_settling.beforeReuse);
}

void XTestKeyboardInjector::restoreKeymap()
{
    if (m_restoreTimer)
        m_restoreTimer->stop();
    if (m_lent.isEmpty() || !m_connection || !m_connection->isOpen()) {
        m_lent.clear();
        return;
    }
    waitBeforeReuse();
    putKeysymsOnKeys(*m_connection, m_spareKeys.first(m_lent.size()), QList<uint32_t>(m_lent.size(), XKB_KEY_NoSymbol));
    m_connection->sync();
    m_lent.clear();
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
