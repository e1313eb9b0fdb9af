#pragma once

#include "DesktopShortcutService.h"
#include "HotKeySystem.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>

namespace KeyboardShortcuts {

class GlobalShortcutsPortal;
struct PortalShortcutEntry;
struct Shortcut;

// Hot keys that the desktop binds through org.freedesktop.portal.GlobalShortcuts
// (KDE Plasma, GNOME, Hyprland on Wayland). The portal knows shortcuts by name,
// the seam by key combination: the back end is given the names up front, offers
// each name's stored shortcut as its preferred trigger, and turns the portal's
// Activated/Deactivated of a name into a press/release of every registration of
// that name's stored combination. Registrations never fail here: the desktop
// decides, asynchronously, and what it decided is reported as a
// DesktopShortcutService (a taken trigger included), once on standard error too.
//
// Desktops keep the trigger they bound from run to run and take a preferred
// trigger only for a shortcut new to them. The back end remembers (in the
// user's defaults) what it last offered: a stored shortcut changed since is the
// user's new choice and is handed to the desktop (KDE's shortcut service), while
// a bound trigger that differs from an unchanged offer is the user's choice in
// the desktop and stands.
class PortalHotKeySystem final : public DesktopShortcutService, public HotKeySystem
{
    Q_OBJECT
public:
    struct NamedShortcut
    {
        QString name;        // the Name's raw value, also the portal's shortcut id
        QString description; // shown by the desktop, "Toggle Recording"
    };

    // `sessionToken` names the session, and with it the desktop's record of the
    // bindings from run to run: keep it fixed.
    PortalHotKeySystem(QList<NamedShortcut> shortcuts, QString sessionToken);
    ~PortalHotKeySystem() override;

    // Whether the session bus offers the portal's GlobalShortcuts interface,
    // waiting at most `timeoutMs` for the answer; `why` says why not.
    static bool isOffered(int timeoutMs, QString *why);

    // HotKeySystem
    Status registerHotKey(quint32 carbonKeyCode, quint32 carbonModifiers, quint32 id) override;
    void unregisterHotKey(quint32 id) override;
    bool installEventHandler(EventHandler handler) override;
    void setHotKeyEventsEnabled(bool enabled) override { m_eventsEnabled = enabled; }
    bool isHeldByAnotherClient(quint32, quint32) override { return false; }

    // DesktopShortcutService
    QString triggerDescription(const QString &name) const override { return m_triggers.value(name); }
    QString problem(const QString &name) const override { return m_problems.value(name); }
    void changeInDesktop() override;

private:
    struct Combination
    {
        quint32 keyCode;
        quint32 modifiers;
    };

    void openSessionSoon();
    void noteOfferChanges();
    void takeChangeToDesktop(const QString &name, const Shortcut &stored, const QString &described);
    void moveKdeBinding(const QString &name, const Shortcut &stored, const QString &described);
    QList<PortalShortcutEntry> requestedShortcuts() const;
    void deliver(const QString &name, EventType type);
    void takeReport(const QList<PortalShortcutEntry> &reported, bool byTheUser);
    void checkTriggers(bool byTheUser);
    void setProblem(const QString &name, const QString &problem);

    QList<NamedShortcut> m_shortcuts;
    QString m_sessionToken;
    std::unique_ptr<GlobalShortcutsPortal> m_portal;
    bool m_sessionRequested = false;
    bool m_eventsEnabled = true;
    EventHandler m_handler;
    QHash<quint32, Combination> m_registrations;
    QHash<QString, QString> m_triggers;
    QHash<QString, QString> m_problems;
    QSet<QString> m_said; // lines already written to standard error
    QSet<QString> m_changedSinceLastOffer;
    QSet<QString> m_offeredUnchanged;
    QSet<QString> m_movedInDesktop; // asked of KDE's shortcut service this run
};

} // namespace KeyboardShortcuts
