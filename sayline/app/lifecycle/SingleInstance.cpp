#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {
const QByteArray answer = "ok\n";

QString runtimeFolder()
{
    // Read directly: QStandardPaths would want an application object, and the
    // commands that only hand over run without one, for speed.
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

QString baseName(const QString &sessionKey)
{
    QString key = sessionKey;
    key.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return QStringLiteral("sayline-%1-%2").arg(::getuid()).arg(key);
}

int remaining(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(1, deadline.remainingTime()));
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
    // A compositor hands its clients "wayland-1"; a test or a terminal may give
    // the whole path. Both name one session.
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!wayland.isEmpty())
        return QFileInfo(wayland).fileName();
    const QString display = qEnvironmentVariable("DISPLAY");
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

bool SingleInstance::isClaimedByAnother()
{
    if (m_lock.isLocked())
        return false;
    if (!m_lock.tryLock(0))
        return true;
    m_lock.unlock();
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QString message = QString::fromUtf8(socket->readLine()).trimmed();
                // Answered first: the sender waits for nothing but the hand-over.
                socket->write(answer);
                socket->flush();
                emit messageReceived(message);
            }
        });
    }
}

bool SingleInstance::sendToRunningInstance(const QString &message, int timeoutMs)
{
    // The running process may still be starting: retry until it listens.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(remaining(deadline))) {
            socket.write(message.toUtf8() + '\n');
            if (!socket.waitForBytesWritten(remaining(deadline)))
                return false;
            while (!socket.canReadLine()) {
                if (!socket.waitForReadyRead(remaining(deadline)))
                    return false;
            }
            return socket.readLine() == answer;
        }
        QThread::msleep(20);
    }
    return false;
}
