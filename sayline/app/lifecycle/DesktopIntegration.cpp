// AppState: what the settings show of the desktop session, and the commands
// the user binds where the compositor owns the global shortcuts.
#include "AppState.h"

#include "ApplicationShortcuts.h"
#include "CompositorBinding.h"

#include <DesktopShortcutService.h>

void AppState::setDesktopSession(const DesktopSession &session)
{
    if (m_desktopSession == session)
        return;
    m_desktopSession = session;
    emit desktopSessionChanged();
}

bool AppState::shortcutsSetInCompositor() const
{
    return m_desktopSession.isWayland() && !m_desktopShortcuts;
}

void AppState::watchDesktopShortcuts(KeyboardShortcuts::DesktopShortcutService *service)
{
    m_desktopShortcuts = service;
    if (service) {
        connect(service, &KeyboardShortcuts::DesktopShortcutService::shortcutsChanged, this,
                &AppState::desktopShortcutsChanged);
    }
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
    if (!m_desktopSession.isWayland() || m_desktopSession.offers("zwp_virtual_keyboard_manager_v1"))
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
