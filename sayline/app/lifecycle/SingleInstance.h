#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// Keeps Sayline to one process per user session (user and display): the
// first process holds a lock file and listens on a local socket; a later one
// finds the lock taken and asks the first to start dictation instead.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `sessionKey` names the session, for example the display name.
    explicit SingleInstance(const QString &sessionKey, QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString defaultSessionKey();

    // True when this process became the session's Sayline; it then listens.
    bool claim();
    // Asks the running Sayline to start dictation; false when none answered.
    bool requestDictationFromRunningInstance(int timeoutMs = 3000);

    QString serverName() const { return m_serverName; }

signals:
    // Another launch asked this process to start dictation.
    void dictationRequested();

private:
    void onNewConnection();

    QString m_serverName;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
