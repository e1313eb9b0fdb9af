#include "FakeInputKeyboard.h"

#include "WaylandConnection.h"

#include <wayland-client-protocol.h>

namespace {

// The first version with keyboard keys.
constexpr std::uint32_t keyboardVersion = 4;

} // namespace

std::unique_ptr<FakeInputKeyboard> FakeInputKeyboard::create(std::shared_ptr<WaylandConnection> connection)
{
    if (!connection || connection->offeredVersion(org_kde_kwin_fake_input_interface.name) < keyboardVersion)
        return nullptr;
    FakeInput fakeInput(static_cast<org_kde_kwin_fake_input *>(
        connection->bind(&org_kde_kwin_fake_input_interface, keyboardVersion)));
    if (!fakeInput)
        return nullptr;
    // KWin ignores the keys of a client that has not asked.
    org_kde_kwin_fake_input_authenticate(fakeInput.get(), "Sayline", "Types the text you dictate");
    if (!connection->roundtrip())
        return nullptr;
    return std::unique_ptr<FakeInputKeyboard>(new FakeInputKeyboard(std::move(connection), std::move(fakeInput)));
}

FakeInputKeyboard::FakeInputKeyboard(std::shared_ptr<WaylandConnection> connection, FakeInput fakeInput)
    : m_connection(std::move(connection)), m_fakeInput(std::move(fakeInput))
{
}

FakeInputKeyboard::~FakeInputKeyboard()
{
    m_fakeInput.reset();
    if (m_connection->isAlive())
        m_connection->flush();
}

bool FakeInputKeyboard::isAlive() const
{
    return m_connection->isAlive();
}

bool FakeInputKeyboard::pressChord(const QList<std::uint32_t> &keys)
{
    if (!m_connection->isAlive())
        return false;
    for (const std::uint32_t key : keys)
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput.get(), key, WL_KEYBOARD_KEY_STATE_PRESSED);
    for (auto key = keys.crbegin(); key != keys.crend(); ++key)
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput.get(), *key, WL_KEYBOARD_KEY_STATE_RELEASED);
    return m_connection->roundtrip();
}
