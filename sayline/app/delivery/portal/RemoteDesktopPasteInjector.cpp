#include "RemoteDesktopPasteInjector.h"

#include "Pasteboard.h"
#include "RemoteDesktopPortal.h"

#include <UserDefaults.h>

#include <QDBusConnection>

#include <cstdio>

#include <linux/input-event-codes.h>

namespace {

// Names the session: fixed, and other than the shortcut session's, whose path
// the portal derives from the same connection and token (a second session of
// the same name is refused).
constexpr const char *sessionToken = "saylinetyping";
// The paste chord as key codes, not keysyms: KDE Plasma 5.27's portal takes
// keysyms without an error and presses nothing (measured on a headless KWin),
// while key codes work there and on GNOME, and Shift and Insert are the same
// keys on every layout.
constexpr int shiftLeftKey = KEY_LEFTSHIFT;
constexpr int insertKey = KEY_INSERT;
// Between the chord's key events: KDE Plasma's portal lost the whole chord in
// about two runs of five when the four arrived at once (a headless KWin), and
// none in fourteen with this spacing.
constexpr int chordStepMs = 20;

} // namespace

RemoteDesktopPasteInjector::RemoteDesktopPasteInjector(std::unique_ptr<RemoteDesktopPortal> portal,
                                                       std::unique_ptr<Pasteboard> clipboard, UserDefaults &defaults,
                                                       std::chrono::milliseconds restoreDelay)
    : m_portal(std::move(portal)), m_clipboard(std::move(clipboard)), m_defaults(defaults)
{
    m_restoreTimer.setSingleShot(true);
    m_restoreTimer.setInterval(restoreDelay);
    QObject::connect(&m_restoreTimer, &QTimer::timeout, [this] { restoreUsersText(); });
    QObject::connect(m_portal.get(), &RemoteDesktopPortal::started, [this](const QString &restoreToken) {
        m_refusalReported = false;
        if (!restoreToken.isEmpty())
            m_defaults.setString(QLatin1String(restoreTokenKey), restoreToken);
    });
    QObject::connect(m_portal.get(), &RemoteDesktopPortal::refused, [this](const QString &why) {
        if (m_refusalReported)
            return;
        m_refusalReported = true;
        std::fprintf(stderr, "Sayline: typing is not granted (%s); dictated text can still go to the clipboard\n",
                     qPrintable(why));
    });
    // An earlier grant is kept without asking again.
    if (m_defaults.string(QLatin1String(restoreTokenKey)).has_value())
        start();
}

std::unique_ptr<RemoteDesktopPasteInjector> RemoteDesktopPasteInjector::connect(std::unique_ptr<Pasteboard> clipboard,
                                                                             int probeTimeoutMs, QString *why)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!RemoteDesktopPortal::isOffered(bus, probeTimeoutMs, why))
        return nullptr;
    return std::make_unique<RemoteDesktopPasteInjector>(std::make_unique<RemoteDesktopPortal>(bus),
                                                        std::move(clipboard), UserDefaults::standard());
}

RemoteDesktopPasteInjector::~RemoteDesktopPasteInjector()
{
    if (m_restorePending)
        restoreUsersText();
}

bool RemoteDesktopPasteInjector::isTrusted()
{
    return m_portal->isStarted();
}

bool RemoteDesktopPasteInjector::requestTrust()
{
    start();
    return true;
}

void RemoteDesktopPasteInjector::start()
{
    m_portal->start(QLatin1String(sessionToken), m_defaults.string(QLatin1String(restoreTokenKey)).value_or(QString()));
}

bool RemoteDesktopPasteInjector::typeText(const QString &text)
{
    if (!isTrusted())
        return false;
    if (!m_restorePending)
        m_usersText = m_clipboard->text();
    m_clipboard->clearContents();
    if (!m_clipboard->setString(text)) {
        m_restoreTimer.stop();
        m_restorePending = false;
        if (m_usersText)
            m_clipboard->setString(*m_usersText);
        return false;
    }
    const struct { int key; bool pressed; } chord[] = {
        {shiftLeftKey, true}, {insertKey, true}, {insertKey, false}, {shiftLeftKey, false}};
    int delay = 0;
    for (const auto &step : chord) {
        RemoteDesktopPortal *portal = m_portal.get();
        QTimer::singleShot(delay, portal, [portal, step] { portal->notifyKeycode(step.key, step.pressed); });
        delay += chordStepMs;
    }
    m_restorePending = true;
    m_typedText = text;
    m_restoreTimer.start();
    return true;
}

void RemoteDesktopPasteInjector::restoreUsersText()
{
    m_restoreTimer.stop();
    m_restorePending = false;
    // Another program took the clipboard meanwhile: its content is the user's now.
    if (m_clipboard->text() != m_typedText)
        return;
    m_clipboard->clearContents();
    if (m_usersText)
        m_clipboard->setString(*m_usersText);
}
