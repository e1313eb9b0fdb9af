#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {
const QByteArray startDictationMessage = "startDictation\n";

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

QString baseName(const QString &sessionKey)
{
    QString key = sessionKey;
    key.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return QStringLiteral("sayline-%1-%2").arg(::getuid()).arg(key);
}
} // namespace

SingleInstance::SingleInstance(const QString &sessionKey, QObject *parent)
    : QObject(parent)
    , m_serverName(runtimeFolder() + QLatin1Char('/') + baseName(sessionKey) + QStringLiteral(".socket"))
    , m_lock(runtimeFolder() + QLatin1Char('/') + baseName(sessionKey) + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::defaultSessionKey()
{
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY"));
    return display.isEmpty() ? QStringLiteral("nodisplay") : display;
}

bool SingleInstance::claim()
{
    // The lock decides, so two launches at the same moment cannot both win;
    // a lock left by a crashed process is taken over (its owner is gone).
    if (!m_lock.tryLock(0))
        return false;
    QLocalServer::removeServer(m_serverName);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        std::fprintf(stderr, "Sayline: cannot listen on %s: %s\n", qPrintable(m_serverName),
                     qPrintable(m_server->errorString()));
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return true;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == startDictationMessage)
                    emit dictationRequested();
            }
        });
    }
}

bool SingleInstance::requestDictationFromRunningInstance(int timeoutMs)
{
    // The running process may still be starting: retry until it listens.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(startDictationMessage);
            const bool written = socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())));
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(50);
    }
    return false;
}
