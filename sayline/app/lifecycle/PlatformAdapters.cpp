#include "PlatformAdapters.h"

#include "Alert.h"
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "PanelWindowHints.h"
#include "RemoteDesktopPasteInjector.h"
#include "StandardOutput.h"
#include "WaylandDelivery.h"
#include "WindowManager.h"
#include "Workspace.h"

#include "ApplicationShortcuts.h"

#include <CompositorBindings.h>
#include <HotKeySystem.h>
#include <KeyboardLayout.h>
#include <PortalHotKeySystem.h>

#include <cstdio>

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

// Where no compositor protocol sets the clipboard (mutter offers no data
// control), the X11 clipboard of XWayland, which the compositor shares with
// Wayland programs: the GUI runs there and the X server says whether it took the
// text. Without XWayland either, Qt's Wayland clipboard would claim text the
// compositor refused, so there is no clipboard, and every delivery says so.
class NoClipboard final : public Pasteboard
{
public:
    void clearContents() override {}
    bool setString(const QString &) override { return false; }
    std::optional<QString> text() override { return std::nullopt; }
};

void useClipboardWithoutDataControl(const DesktopSession &session, AppStateDependencies &dependencies,
                                    ChosenPaths &paths)
{
    if (!session.x11Display.isEmpty()) {
        paths.clipboard = QStringLiteral("X11 selection through XWayland");
        std::fprintf(stderr,
                     "Sayline: this compositor offers no clipboard control (zwlr_data_control_manager_v1); the text "
                     "goes to the clipboard of XWayland (display %s), which the desktop shares with Wayland "
                     "programs.\n",
                     qPrintable(session.x11Display));
        return;
    }
    dependencies.pasteboard = std::make_unique<NoClipboard>();
    paths.clipboard = QStringLiteral("none");
    std::fputs("Sayline: this compositor offers no clipboard control (zwlr_data_control_manager_v1) and there is no "
               "XWayland: dictated text cannot be put on the clipboard.\n",
               stderr);
}

// How long the launch waits for the portal to say whether it offers a service.
// A running portal answers in milliseconds; this bounds a hung one.
constexpr int portalProbeTimeoutMs = 2000;

// Where the compositor types for no ordinary program (GNOME; KDE Plasma without
// Sayline's desktop entry), the desktop portal's RemoteDesktop keyboard pressing
// the paste keys, on a clipboard of the same kind as the session's. Said once
// on standard error when the portal offers no such keyboard.
void useRemoteDesktopTyping(DesktopSession &session, WaylandDelivery &wayland, AppStateDependencies &dependencies,
                            ChosenPaths &paths)
{
    std::unique_ptr<Pasteboard> clipboard = wayland.makePasteboard();
    if (!clipboard && !session.x11Display.isEmpty())
        clipboard = makeDefaultPasteboard();
    if (!clipboard)
        return; // without a clipboard there is nothing to paste from
    QString why;
    std::unique_ptr<KeyboardInjector> keyboard =
        RemoteDesktopPasteInjector::connect(std::move(clipboard), portalProbeTimeoutMs, &why);
    if (!keyboard) {
        std::fprintf(stderr, "Sayline: no remote desktop keyboard (%s): Sayline cannot type into other windows\n",
                     qPrintable(why));
        return;
    }
    dependencies.keyboard = std::move(keyboard);
    paths.typing = QStringLiteral("RemoteDesktop portal + paste (Shift+Insert), granted once in the desktop's dialog");
    session.offersTyping = true;
}

// Clipboard and typing on the compositor, on a connection of Sayline's own. The
// adapters keep the connection.
void useWaylandDelivery(DesktopSession &session, AppStateDependencies &dependencies, ChosenPaths &paths)
{
    const std::unique_ptr<WaylandDelivery> wayland = WaylandDelivery::connect();
    if (!wayland) {
        useClipboardWithoutDataControl(session, dependencies, paths);
        paths.typing = QStringLiteral("none");
        session.offersTyping = false;
        return;
    }
    session.waylandProtocols = wayland->offeredProtocols();
    if (std::unique_ptr<Pasteboard> pasteboard = wayland->makePasteboard()) {
        dependencies.pasteboard = std::move(pasteboard);
        paths.clipboard = QStringLiteral("data control");
    } else {
        useClipboardWithoutDataControl(session, dependencies, paths);
    }
    // Made now, long before the first delivery: a virtual keyboard drops the
    // keys sent right after it appears.
    dependencies.keyboard = wayland->makeKeyboardInjector();
    paths.typing = wayland->typingPath();
    session.offersTyping = wayland->offersTyping();
    if (!session.offersTyping)
        useRemoteDesktopTyping(session, *wayland, dependencies, paths);
}

// Names the desktop's record of Sayline's shortcuts: fixed, so the user's
// binding is kept from run to run.
constexpr const char *portalSessionToken = "sayline";

// The GlobalShortcuts portal where the desktop offers it (KDE Plasma, GNOME,
// Hyprland); null otherwise, said once on standard error.
std::unique_ptr<KeyboardShortcuts::PortalHotKeySystem> makePortalHotKeys()
{
    QString why;
    if (!KeyboardShortcuts::PortalHotKeySystem::isOffered(portalProbeTimeoutMs, &why)) {
        std::fprintf(stderr,
                     "Sayline: no global shortcut service (%s): bind `sayline --toggle` and `sayline --cancel` "
                     "in your compositor\n",
                     qPrintable(why));
        return nullptr;
    }
    return std::make_unique<KeyboardShortcuts::PortalHotKeySystem>(
        QList<KeyboardShortcuts::PortalHotKeySystem::NamedShortcut>{
            {QLatin1String(ApplicationShortcuts::toggleMainWindowName), QStringLiteral("Toggle Recording")},
            {QLatin1String(ApplicationShortcuts::closeMainWindowName), QStringLiteral("Cancel")}},
        QLatin1String(portalSessionToken));
}

} // namespace

AppStateDependencies installPlatformAdapters(DesktopSession &session)
{
    AppStateDependencies dependencies = AppStateDependencies::standard();
    ChosenPaths paths{QStringLiteral("X11 selection"), QStringLiteral("XTEST"), QStringLiteral("X11 key grabs"),
                      QStringLiteral("X11 window")};
    if (session.isWayland()) {
        if (std::unique_ptr<KeyboardShortcuts::PortalHotKeySystem> portal = makePortalHotKeys()) {
            // The shared hot-key system owns it for the rest of the process.
            dependencies.desktopShortcuts = portal.get();
            KeyboardShortcuts::HotKeySystem::setShared(std::move(portal));
            paths.shortcuts = QStringLiteral("GlobalShortcuts portal");
        } else {
            KeyboardShortcuts::HotKeySystem::setShared(KeyboardShortcuts::makeCompositorBindingHotKeySystem());
            paths.shortcuts = QStringLiteral("compositor bindings (sayline --toggle, sayline --cancel)");
        }
        KeyboardShortcuts::KeyboardLayout::setShared(KeyboardShortcuts::makeWaylandKeyboardLayout());
        useWaylandDelivery(session, dependencies, paths);
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
