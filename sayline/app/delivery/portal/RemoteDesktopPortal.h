#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// A client of org.freedesktop.portal.RemoteDesktop on one bus, for its keyboard
// alone: one session (CreateSession, SelectDevices, Start; Start shows the
// desktop's consent dialog unless a restore token from an earlier grant is
// offered) and key presses sent into it. Every call is asynchronous; nothing here
// blocks but isOffered().
class RemoteDesktopPortal : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *interface = "org.freedesktop.portal.RemoteDesktop";

    explicit RemoteDesktopPortal(QDBusConnection bus, QObject *parent = nullptr);
    ~RemoteDesktopPortal() override;

    // Opens and starts a keyboard session named by `sessionToken`, offering
    // `restoreToken` (empty: none) so an earlier grant is kept. Ends in started()
    // or refused(); ignored while a start is pending or the session runs.
    void start(const QString &sessionToken, const QString &restoreToken);
    bool isStarted() const { return m_started; }
    bool isStarting() const { return m_starting; }

    // Presses (true) or releases a key named by its Linux input event code in
    // the session.
    void notifyKeycode(int evdevCode, bool pressed);

    // Whether the bus offers the interface (its "version" property answers),
    // asked once and waited for at most `timeoutMs`; `why` says why not.
    static bool isOffered(QDBusConnection bus, int timeoutMs, QString *why);

signals:
    // `restoreToken` keeps the grant for the next start (empty when the
    // desktop gives none).
    void started(const QString &restoreToken);
    // The user refused, the desktop failed, or the session ended.
    void refused(const QString &why);

private slots:
    void onSessionClosed();

private:
    using ResponseHandler = std::function<void(uint response, const QVariantMap &results)>;

    void request(const QString &method, QVariantList arguments, QVariantMap options, ResponseHandler onResponse);
    void fail(const QString &why);
    void closeSession();

    QDBusConnection m_bus;
    QDBusObjectPath m_session;
    bool m_starting = false;
    bool m_started = false;
    int m_requestCounter = 0;
};
