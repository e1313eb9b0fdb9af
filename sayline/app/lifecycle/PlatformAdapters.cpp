#include "PlatformAdapters.h"

#include "Alert.h"
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "PanelWindowHints.h"
#include "StandardOutput.h"
#include "WindowManager.h"
#include "Workspace.h"

#include <CompositorBindings.h>
#include <HotKeySystem.h>

namespace {

struct ChosenPaths
{
    QString clipboard;
    QString typing;
    QString shortcuts;
    QString panel;
};

void logSession(const DesktopSession &session, const ChosenPaths &paths)
{
    const QString kind = session.isWayland()
        ? QStringLiteral("Wayland session (%1)").arg(session.waylandSocket)
        : QStringLiteral("X11 session (%1)").arg(session.x11Display);
    writeLogLine(QStringLiteral("Sayline: %1; clipboard: %2; typing: %3; shortcuts: %4; panel: %5")
                     .arg(kind, paths.clipboard, paths.typing, paths.shortcuts, paths.panel));
}

} // namespace

AppStateDependencies installPlatformAdapters(DesktopSession &session)
{
    AppStateDependencies dependencies = AppStateDependencies::standard();
    ChosenPaths paths{QStringLiteral("X11 selection"), QStringLiteral("XTEST"), QStringLiteral("X11 key grabs"),
                      QStringLiteral("X11 window")};
    if (session.isWayland()) {
        KeyboardShortcuts::HotKeySystem::setShared(KeyboardShortcuts::makeCompositorBindingHotKeySystem());
        paths.shortcuts = QStringLiteral("compositor bindings (sayline --toggle, sayline --cancel)");
        if (!session.x11Display.isEmpty()) {
            WindowManager::shared().setWindowHints(
                PanelWindowHints::platformHints(PanelWindowHints::Placement::unmanaged));
            paths.panel = QStringLiteral("XWayland, unmanaged");
        } else {
            paths.panel = QStringLiteral("Wayland window (may take the keyboard focus: no XWayland)");
        }
    }
    logSession(session, paths);
    return dependencies;
}
