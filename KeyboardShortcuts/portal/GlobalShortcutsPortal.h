#pragma once

#include "PortalShortcutList.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace KeyboardShortcuts {

// A client of org.freedesktop.portal.GlobalShortcuts on one bus: one session,
// its requests answered through org.freedesktop.portal.Request.Response, and
// the session's signals. Every call is asynchronous; nothing here blocks.
class GlobalShortcutsPortal : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *service = "org.freedesktop.portal.Desktop";
    static constexpr const char *path = "/org/freedesktop/portal/desktop";
    static constexpr const char *interface = "org.freedesktop.portal.GlobalShortcuts";

    explicit GlobalShortcutsPortal(QDBusConnection bus, QObject *parent = nullptr);
    ~GlobalShortcutsPortal() override;

    // Opens the session named by `sessionToken` with the shortcuts already in
    // its options (some desktops bind only those). Ends in sessionOpened() or
    // failed(); the shortcuts the answer carries arrive as shortcutsReported().
    void createSession(const QString &sessionToken, const PortalShortcutList &shortcuts);
    // Asks the desktop to bind the shortcuts (it may show its own dialog or
    // settings page); the answer arrives as shortcutsReported().
    void bindShortcuts(const PortalShortcutList &shortcuts);
    // Asks for the session's shortcuts as bound; answered by shortcutsReported().
    void listShortcuts();

    bool hasSession() const { return !m_session.path().isEmpty(); }

    // Whether the bus offers the interface (its "version" property answers),
    // asked once and waited for at most `timeoutMs`; `why` says why not.
    static bool isOffered(QDBusConnection bus, int timeoutMs, QString *why);

signals:
    void sessionOpened();
    void failed(const QString &why);
    // `byTheUser`: changed in the desktop's dialog or settings, not the answer
    // to what this program asked for.
    void shortcutsReported(const KeyboardShortcuts::PortalShortcutList &shortcuts, bool byTheUser);
    void activated(const QString &shortcutId);
    void deactivated(const QString &shortcutId);

private slots:
    // Activated, Deactivated and ShortcutsChanged; the first argument names the session.
    void onSessionSignal(const QDBusMessage &message);

private:
    using ResponseHandler = std::function<void(uint response, const QVariantMap &results)>;

    // Calls `method` with a fresh request token in the options and hands its
    // Response to `onResponse`.
    void request(const QString &method, QVariantList arguments, QVariantMap options, ResponseHandler onResponse);
    void reportShortcuts(const QString &method, uint response, const QVariantMap &results);
    bool isOurs(const QDBusObjectPath &session) const { return hasSession() && session == m_session; }

    QDBusConnection m_bus;
    QDBusObjectPath m_session;
    int m_requestCounter = 0;
};

} // namespace KeyboardShortcuts
