// AppState: what the settings show of the desktop session, and the commands
// the user binds where the compositor owns the global shortcuts.
#include "AppState.h"

#include "ApplicationShortcuts.h"
#include "CompositorBinding.h"
#include "SubmitHint.h"

#include <DesktopShortcutService.h>
#include <NotificationCenter.h>

void AppState::setDesktopSession(const DesktopSession &session)
{
    if (m_desktopSession == session)
        return;
    m_desktopSession = session;
    emit desktopSessionChanged();
    updateSubmitShortcutHint();
}

bool AppState::shortcutsSetInCompositor() const
{
    return m_desktopSession.isWayland() && !m_desktopShortcuts;
}

void AppState::watchDesktopShortcuts(KeyboardShortcuts::DesktopShortcutService *service)
{
    m_desktopShortcuts = service;
    if (service) {
        connect(service, &KeyboardShortcuts::DesktopShortcutService::shortcutsChanged, this, [this] {
            emit desktopShortcutsChanged();
            updateSubmitShortcutHint();
        });
    }
}

void AppState::followSubmitShortcutHint()
{
    NotificationCenter::defaultCenter().addObserver(KeyboardShortcuts::shortcutByNameDidChangeNotification, this,
                                                    [this](const Notification &) { updateSubmitShortcutHint(); });
    updateSubmitShortcutHint();
}

QStringList AppState::workingToggleTrigger() const
{
    const KeyboardShortcuts::Name &toggle = ApplicationShortcuts::toggleMainWindow();
    if (m_desktopShortcuts) {
        // A trigger the desktop describes but keeps for something else does nothing.
        if (!m_desktopShortcuts->problem(toggle.rawValue).isEmpty())
            return {};
        return submitHintForDescribedTrigger(m_desktopShortcuts->triggerDescription(toggle.rawValue));
    }
    if (shortcutsSetInCompositor())
        return {QStringLiteral("sayline --toggle")};
    const std::optional<KeyboardShortcuts::Shortcut> stored = KeyboardShortcuts::getShortcut(toggle);
    return stored ? submitHintForShortcut(*stored) : QStringList();
}

void AppState::updateSubmitShortcutHint()
{
    QStringList hint = workingToggleTrigger();
    if (hint == m_submitShortcutHint)
        return;
    m_submitShortcutHint = std::move(hint);
    emit submitShortcutHintChanged();
}

QString AppState::desktopShortcutTrigger(const QString &shortcutName) const
{
    return m_desktopShortcuts ? m_desktopShortcuts->triggerDescription(shortcutName) : QString();
}

QString AppState::desktopShortcutProblem(const QString &shortcutName) const
{
    return m_desktopShortcuts ? m_desktopShortcuts->problem(shortcutName) : QString();
}

void AppState::changeShortcutInDesktop()
{
    if (m_desktopShortcuts)
        m_desktopShortcuts->changeInDesktop();
}

QString AppState::typingUnavailableReason() const
{
    if (!m_desktopSession.isWayland() || m_desktopSession.offersTyping)
        return {};
    return QStringLiteral("This compositor offers no virtual keyboard, so Sayline cannot type into other windows. "
                          "The text still goes to the clipboard.");
}

QString AppState::compositorBindingLine(const QString &shortcutName) const
{
    const bool cancel = shortcutName == ApplicationShortcuts::closeMainWindow().rawValue;
    const KeyboardShortcuts::Name &name =
        cancel ? ApplicationShortcuts::closeMainWindow() : ApplicationShortcuts::toggleMainWindow();
    const QString command = cancel ? QStringLiteral("sayline --cancel") : QStringLiteral("sayline --toggle");
    const std::optional<KeyboardShortcuts::Shortcut> shortcut = KeyboardShortcuts::getShortcut(name);
    if (!shortcut)
        return command;
    return ::compositorBindingLine(m_desktopSession.compositor, *shortcut, command);
}
