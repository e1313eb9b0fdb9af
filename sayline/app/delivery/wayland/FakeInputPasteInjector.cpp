#include "FakeInputPasteInjector.h"

#include "DataControlPasteboard.h"
#include "FakeInputKeyboard.h"

#include <algorithm>
#include <cstdio>

#include <linux/input-event-codes.h>

namespace {

// How often a pending paste looks whether the target has read the text.
constexpr int readCheckIntervalMs = 10;

} // namespace

FakeInputPasteInjector::FakeInputPasteInjector(std::unique_ptr<FakeInputKeyboard> keyboard,
                                               std::unique_ptr<DataControlPasteboard> clipboard,
                                               PasteTimings timings)
    : m_keyboard(std::move(keyboard)), m_clipboard(std::move(clipboard)), m_timings(timings)
{
    m_readCheck.setInterval(readCheckIntervalMs);
    QObject::connect(&m_readCheck, &QTimer::timeout, [this] { checkRead(); });
}

FakeInputPasteInjector::~FakeInputPasteInjector()
{
    if (m_restorePending)
        restoreUsersText();
}

bool FakeInputPasteInjector::isTrusted()
{
    return m_keyboard && m_clipboard && m_keyboard->isAlive();
}

bool FakeInputPasteInjector::typeText(const QString &text)
{
    if (!isTrusted())
        return false;
    if (m_restorePending) {
        // The previous text must be asked for before ours replaces it.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_readDeadline
                                                                                 - std::chrono::steady_clock::now());
        if (m_clipboard->ownsSelection())
            m_clipboard->waitForRequests(m_readsBefore + 1, std::max(left, std::chrono::milliseconds(0)));
    } else {
        rememberUsersText();
    }
    m_clipboard->clearContents();
    if (!m_clipboard->setString(text)) {
        restoreUsersText();
        return false;
    }
    m_readsBefore = m_clipboard->requestsServed();
    if (!m_keyboard->pressChord({KEY_LEFTSHIFT, KEY_INSERT})) {
        restoreUsersText();
        return false;
    }
    m_restorePending = true;
    m_readDeadline = std::chrono::steady_clock::now() + m_timings.readWait;
    m_readCheck.start();
    return true;
}

void FakeInputPasteInjector::rememberUsersText()
{
    m_usersText.clear();
    m_usersClipboardEmpty = !m_clipboard->hasSelection();
    m_usersTextKnown = m_usersClipboardEmpty || m_clipboard->readText(&m_usersText, m_timings.previousTextWait);
    if (!m_usersTextKnown)
        std::fputs("Sayline: the clipboard holds something other than text; after typing it holds the typed text\n",
                   stderr);
}

void FakeInputPasteInjector::checkRead()
{
    if (!m_clipboard->ownsSelection()) {
        // Another program took the clipboard: its content is the user's now.
        m_readCheck.stop();
        m_restorePending = false;
        return;
    }
    const bool read = m_clipboard->requestsServed() > m_readsBefore && !m_clipboard->transfersInFlight();
    if (!read && std::chrono::steady_clock::now() < m_readDeadline)
        return;
    if (!read)
        std::fputs("Sayline: the focused window did not paste the text (no text field has the focus?)\n", stderr);
    restoreUsersText();
}

void FakeInputPasteInjector::restoreUsersText()
{
    m_readCheck.stop();
    m_restorePending = false;
    if (!m_usersTextKnown)
        return;
    if (m_usersClipboardEmpty)
        m_clipboard->clearContents();
    else
        m_clipboard->setString(m_usersText);
}
