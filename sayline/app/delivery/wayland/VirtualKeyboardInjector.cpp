#include "VirtualKeyboardInjector.h"

#include "TypingKeymap.h"
#include "TypingPlan.h"
#include "WaylandConnection.h"

#include <QThread>

#include <cstdio>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The protocol's key timestamps: milliseconds on one clock of our own.
std::uint32_t timestamp()
{
    return std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// A file holding the keymap for the compositor to map; closed once sent.
struct KeymapFile
{
    explicit KeymapFile(const QByteArray &keymap) : fd(memfd_create("sayline-keymap", MFD_CLOEXEC))
    {
        if (fd >= 0 && ::write(fd, keymap.constData(), keymap.size()) != keymap.size()) {
            ::close(fd);
            fd = -1;
        }
    }
    ~KeymapFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

} // namespace

VirtualKeyboardInjector::VirtualKeyboardInjector(std::shared_ptr<WaylandConnection> connection, Pacing pacing)
    : m_connection(std::move(connection)), m_pacing(pacing)
{
    if (!m_connection || !m_connection->seat())
        return;
    m_manager.reset(static_cast<zwp_virtual_keyboard_manager_v1 *>(
        m_connection->bind(&zwp_virtual_keyboard_manager_v1_interface, 1)));
    if (!m_manager)
        return;
    m_keyboard.reset(zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager.get(), m_connection->seat()));
    m_created = Clock::now();
    // Keys are a protocol error before the first keymap.
    if (!uploadKeymap(TypingKeymap({}).text()) || !m_connection->flush())
        m_keyboard.reset();
}

VirtualKeyboardInjector::~VirtualKeyboardInjector()
{
    m_keyboard.reset();
    m_manager.reset();
    if (m_connection && m_connection->isAlive())
        m_connection->flush();
}

bool VirtualKeyboardInjector::isTrusted()
{
    return m_keyboard && m_connection->isAlive();
}

bool VirtualKeyboardInjector::typeText(const QString &text)
{
    if (!isTrusted())
        return false;
    const auto chunks = planTyping(keysymsForText(text), &TypingKeymap::hasFixedKey, TypingKeymap::capacity);
    if (!chunks)
        return false;
    waitUntilSettled();
    int sent = 0;
    m_keymap.clear(); // sway puts its configured layout on every keyboard when the input settings change
    for (const TypingChunk &chunk : *chunks) {
        const TypingKeymap keymap(chunk.remapped);
        if (keymap.text() != m_keymap && !uploadKeymap(keymap.text()))
            return false;
        for (const xkb_keysym_t keysym : chunk.keysyms) {
            sendKey(keymap.keyFor(keysym));
            if (++sent % m_pacing.keysPerBatch == 0 && !m_connection->roundtrip())
                return false;
        }
    }
    return m_connection->roundtrip();
}

bool VirtualKeyboardInjector::uploadKeymap(const QByteArray &keymap)
{
    const KeymapFile file(keymap);
    if (file.fd < 0) {
        std::perror("Cannot type: no memory file for the keymap");
        return false;
    }
    zwp_virtual_keyboard_v1_keymap(m_keyboard.get(), WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file.fd,
                                   std::uint32_t(keymap.size()));
    // libwayland sends a duplicate of the descriptor; ours is closed on return.
    if (!m_connection->flush())
        return false;
    m_keymap = keymap;
    return true;
}

void VirtualKeyboardInjector::sendKey(std::uint32_t key)
{
    const std::uint32_t now = timestamp();
    zwp_virtual_keyboard_v1_key(m_keyboard.get(), now, key, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(m_keyboard.get(), now, key, WL_KEYBOARD_KEY_STATE_RELEASED);
}

void VirtualKeyboardInjector::waitUntilSettled() const
{
    const auto settled = m_created + m_pacing.afterCreation;
    const auto now = Clock::now();
    if (now < settled)
        QThread::msleep(std::chrono::duration_cast<std::chrono::milliseconds>(settled - now).count() + 1);
}
