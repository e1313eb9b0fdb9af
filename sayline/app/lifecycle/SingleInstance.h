#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// Keeps Sayline to one process per user session (user and display): the
// first process holds a lock file and listens on a local socket; a later
// launch finds the lock taken and hands its request to the first instead.
//
// Requests are single lines; the running instance answers each with "ok".
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `sessionKey` names the session, for example the display name.
    explicit SingleInstance(const QString &sessionKey, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The Wayland socket or X display of this session, the same whichever
    // form (relative or absolute) the environment gives it in.
    static QString defaultSessionKey();

    // True when this process became the session's Sayline; it then listens.
    bool claim();
    // Whether another live process holds the session now (it may still be
    // starting and not listen yet).
    bool isClaimedByAnother();
    // Sends `message` to the running Sayline and waits for its answer; false
    // when none answered within the time (a starting one is waited for).
    bool sendToRunningInstance(const QString &message, int timeoutMs = 3000);

    QString serverName() const { return m_serverName; }

signals:
    // Another launch sent this request (already answered).
    void messageReceived(const QString &message);

private:
    void onNewConnection();

    QString m_serverName;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
