#include "PortalHotKeySystem.h"

#include "GlobalShortcutsPortal.h"
#include "KdeShortcutHolders.h"
#include "NamedShortcuts.h"
#include "PortalTriggers.h"

#include <QTimer>
#include <UserDefaults.h>

#include <cstdio>

namespace KeyboardShortcuts {

namespace {

std::optional<Shortcut> storedShortcut(const QString &name)
{
    return getShortcut(Name(name)); // a Name without default has no side effects
}

// Where the trigger last offered for a name is remembered. Outside the
// shortcuts' own prefix: these are no shortcut names.
QString offeredTriggerKey(const QString &name)
{
    return QStringLiteral("DesktopShortcuts_offeredTrigger_") + name;
}

QString takenMessage(const Shortcut &shortcut, const QString &holder)
{
    return QStringLiteral("%1 is used by the desktop for %2: choose another shortcut here, or free it in the "
                          "desktop's shortcut settings")
        .arg(readableTrigger(shortcut), holder);
}

QString otherTriggerMessage(const Shortcut &shortcut, const QString &bound)
{
    return QStringLiteral("%1 is not what the desktop bound (%2): choose another shortcut here, or change it in the "
                          "desktop's shortcut settings")
        .arg(readableTrigger(shortcut), bound);
}

} // namespace

PortalHotKeySystem::PortalHotKeySystem(QList<NamedShortcut> shortcuts, QString sessionToken)
    : m_shortcuts(std::move(shortcuts)),
      m_sessionToken(std::move(sessionToken)),
      m_portal(std::make_unique<GlobalShortcutsPortal>(QDBusConnection::sessionBus()))
{
    connect(m_portal.get(), &GlobalShortcutsPortal::activated, this,
            [this](const QString &name) { deliver(name, EventType::keyDown); });
    connect(m_portal.get(), &GlobalShortcutsPortal::deactivated, this,
            [this](const QString &name) { deliver(name, EventType::keyUp); });
    connect(m_portal.get(), &GlobalShortcutsPortal::sessionOpened, this, [this] {
        // Not every desktop answers CreateSession with the bound shortcuts.
        m_portal->listShortcuts();
    });
    connect(m_portal.get(), &GlobalShortcutsPortal::shortcutsReported, this, &PortalHotKeySystem::takeReport);
    connect(m_portal.get(), &GlobalShortcutsPortal::failed, this, [this](const QString &why) {
        const QString line = QStringLiteral("KeyboardShortcuts: the desktop's shortcut portal failed: %1").arg(why);
        if (!m_said.contains(line)) {
            m_said.insert(line);
            std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        }
    });
}

PortalHotKeySystem::~PortalHotKeySystem() = default;

bool PortalHotKeySystem::isOffered(int timeoutMs, QString *why)
{
    return GlobalShortcutsPortal::isOffered(QDBusConnection::sessionBus(), timeoutMs, why);
}

HotKeySystem::Status PortalHotKeySystem::registerHotKey(quint32 carbonKeyCode, quint32 carbonModifiers, quint32 id)
{
    m_registrations.insert(id, {carbonKeyCode, carbonModifiers});
    openSessionSoon();
    return noErr;
}

void PortalHotKeySystem::unregisterHotKey(quint32 id)
{
    m_registrations.remove(id);
}

bool PortalHotKeySystem::installEventHandler(EventHandler handler)
{
    m_handler = std::move(handler);
    return true;
}

void PortalHotKeySystem::openSessionSoon()
{
    if (std::exchange(m_sessionRequested, true))
        return;
    // After the current turn of the event loop: the registrations made together
    // at start-up, and the shortcuts they store, are then all in place.
    QTimer::singleShot(0, this, [this] {
        noteOfferChanges();
        m_portal->createSession(m_sessionToken, requestedShortcuts());
    });
}

void PortalHotKeySystem::noteOfferChanges()
{
    UserDefaults &defaults = UserDefaults::standard();
    for (const NamedShortcut &shortcut : std::as_const(m_shortcuts)) {
        const std::optional<Shortcut> stored = storedShortcut(shortcut.name);
        const std::optional<QString> asked = stored ? portalTrigger(*stored) : std::nullopt;
        const QString key = offeredTriggerKey(shortcut.name);
        if (!asked) {
            defaults.remove(key);
            continue;
        }
        if (const std::optional<QString> offered = defaults.string(key)) {
            if (*offered == *asked)
                m_offeredUnchanged.insert(shortcut.name);
            else
                m_changedSinceLastOffer.insert(shortcut.name);
        }
        defaults.setString(key, *asked);
    }
}

QList<PortalShortcutEntry> PortalHotKeySystem::requestedShortcuts() const
{
    QList<PortalShortcutEntry> entries;
    for (const NamedShortcut &shortcut : m_shortcuts) {
        QVariantMap properties{{QStringLiteral("description"), shortcut.description}};
        if (const std::optional<Shortcut> stored = storedShortcut(shortcut.name)) {
            if (const std::optional<QString> trigger = portalTrigger(*stored))
                properties.insert(QStringLiteral("preferred_trigger"), *trigger);
        }
        entries.append({shortcut.name, properties});
    }
    return entries;
}

void PortalHotKeySystem::deliver(const QString &name, EventType type)
{
    if (!m_eventsEnabled || !m_handler)
        return;
    const std::optional<Shortcut> stored = storedShortcut(name);
    if (!stored)
        return;
    // Every registration of the name's combination: the seam knows no names.
    for (auto it = m_registrations.cbegin(); it != m_registrations.cend(); ++it) {
        if (int(it->keyCode) == stored->carbonKeyCode && int(it->modifiers) == stored->carbonModifiers) {
            m_handler(it.key(), type);
            return;
        }
    }
}

void PortalHotKeySystem::changeInDesktop()
{
    if (m_portal->hasSession())
        m_portal->bindShortcuts(requestedShortcuts());
}

void PortalHotKeySystem::takeReport(const QList<PortalShortcutEntry> &reported, bool byTheUser)
{
    for (const NamedShortcut &shortcut : std::as_const(m_shortcuts)) {
        QString description;
        for (const PortalShortcutEntry &entry : reported) {
            if (entry.id == shortcut.name)
                description = entry.properties.value(QStringLiteral("trigger_description")).toString();
        }
        m_triggers.insert(shortcut.name, description);
    }
    emit shortcutsChanged();
    checkTriggers(byTheUser);
}

void PortalHotKeySystem::checkTriggers(bool byTheUser)
{
    for (const NamedShortcut &shortcut : std::as_const(m_shortcuts)) {
        const std::optional<Shortcut> stored = storedShortcut(shortcut.name);
        const std::optional<QString> asked = stored ? portalTrigger(*stored) : std::nullopt;
        if (!asked) {
            setProblem(shortcut.name, {});
            continue;
        }
        // A desktop that bound another trigger gave the asked one to something
        // else, unless the user chose it there.
        const QString described = m_triggers.value(shortcut.name);
        if (!described.isEmpty() && !sameTrigger(described, *asked)) {
            if (byTheUser || m_offeredUnchanged.contains(shortcut.name))
                setProblem(shortcut.name, {});
            else if (m_changedSinceLastOffer.contains(shortcut.name))
                takeChangeToDesktop(shortcut.name, *stored, described);
            else
                setProblem(shortcut.name, otherTriggerMessage(*stored, described));
            continue;
        }
        // One that bound none did too. KDE also answers with the asked trigger
        // while one of its own actions keeps the key: its shortcut service names
        // the holder either way.
        const bool bound = !described.isEmpty();
        askKdeShortcutHolder(QDBusConnection::sessionBus(), qtKeySequenceText(*stored), this,
                             [this, name = shortcut.name, stored = *stored,
                              bound](std::optional<KdeShortcutHolder> holder) {
                                 if (holder && holder->actionId != name)
                                     setProblem(name, takenMessage(stored, holder->actionName));
                                 else
                                     setProblem(name, bound ? QString() : takenMessage(stored, QStringLiteral("another action")));
                             });
    }
}

void PortalHotKeySystem::takeChangeToDesktop(const QString &name, const Shortcut &stored, const QString &described)
{
    // KDE's shortcut service moves the desktop's binding, and the portal then
    // reports the new trigger; elsewhere, or with the key held by another
    // action, the user hears what stands in the way.
    if (m_movedInDesktop.contains(name))
        return; // the portal reports the move shortly
    askKdeShortcutHolder(QDBusConnection::sessionBus(), qtKeySequenceText(stored), this,
                         [this, name, stored, described](std::optional<KdeShortcutHolder> keyHolder) {
                             if (!keyHolder)
                                 moveKdeBinding(name, stored, described);
                             else if (keyHolder->actionId != name)
                                 setProblem(name, takenMessage(stored, keyHolder->actionName));
                             // else ours already: an earlier report's move, not yet reported
                         });
}

void PortalHotKeySystem::moveKdeBinding(const QString &name, const Shortcut &stored, const QString &described)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    askKdeShortcutHolder(bus, described, this,
                         [this, bus, name, stored, described](std::optional<KdeShortcutHolder> ours) {
                             if (ours && ours->actionId == name) {
                                 m_movedInDesktop.insert(name);
                                 rebindKdeShortcut(bus, *ours, qtKeySequenceText(stored));
                             } else if (!m_movedInDesktop.contains(name)) {
                                 // Not a report that crossed the move.
                                 setProblem(name, otherTriggerMessage(stored, described));
                             }
                         });
}

void PortalHotKeySystem::setProblem(const QString &name, const QString &problem)
{
    if (m_problems.value(name) == problem)
        return;
    m_problems.insert(name, problem);
    if (!problem.isEmpty() && !m_said.contains(problem)) {
        m_said.insert(problem);
        std::fprintf(stderr, "KeyboardShortcuts: %s\n", problem.toUtf8().constData());
    }
    emit shortcutsChanged();
}

} // namespace KeyboardShortcuts
