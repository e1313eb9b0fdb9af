#include "RemoteDesktopPortal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <cstdio>

namespace {

constexpr const char *requestInterface = "org.freedesktop.portal.Request";
constexpr const char *sessionInterface = "org.freedesktop.portal.Session";
// The device types of SelectDevices: the keyboard alone.
constexpr uint keyboardDevice = 1;
// Kept until the user revokes it, across restarts (with the restore token).
constexpr uint persistUntilRevoked = 2;

// The object a request of this connection will have: the portal derives it
// from the caller's unique name and the handle token.
QString expectedRequestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString sessionPathOf(const QVariant &handle)
{
    // Older portals answer with a string, newer ones with an object path.
    return handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                : handle.toString();
}

} // namespace

// One pending request: listens for its Response (subscribed before the call,
// so an early answer is not lost) and deletes itself after it.
class RemoteDesktopPortal::Request : public QObject
{
    Q_OBJECT
public:
    Request(QDBusConnection bus, QString objectPath, ResponseHandler handler, QObject *parent)
        : QObject(parent), m_bus(std::move(bus)), m_handler(std::move(handler))
    {
        listenOn(std::move(objectPath));
    }
    ~Request() override { stopListening(); }

    void moveTo(const QString &objectPath)
    {
        if (objectPath == m_path)
            return;
        stopListening();
        listenOn(objectPath);
    }

public slots:
    void onResponse(uint response, const QVariantMap &results)
    {
        const ResponseHandler handler = std::move(m_handler);
        deleteLater();
        if (handler)
            handler(response, results);
    }

private:
    void listenOn(QString objectPath)
    {
        m_path = std::move(objectPath);
        m_bus.connect(QString::fromLatin1(service), m_path, QString::fromLatin1(requestInterface),
                      QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    }
    void stopListening()
    {
        m_bus.disconnect(QString::fromLatin1(service), m_path, QString::fromLatin1(requestInterface),
                         QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    }

    QDBusConnection m_bus;
    QString m_path;
    ResponseHandler m_handler;
};

RemoteDesktopPortal::RemoteDesktopPortal(QDBusConnection bus, QObject *parent)
    : QObject(parent), m_bus(std::move(bus))
{
}

RemoteDesktopPortal::~RemoteDesktopPortal()
{
    closeSession();
}

void RemoteDesktopPortal::start(const QString &sessionToken, const QString &restoreToken)
{
    if (m_starting || m_started)
        return;
    m_starting = true;
    request(QStringLiteral("CreateSession"), {}, {{QStringLiteral("session_handle_token"), sessionToken}},
            [this, restoreToken](uint response, const QVariantMap &results) {
        const QString sessionPath = sessionPathOf(results.value(QStringLiteral("session_handle")));
        if (response != 0 || sessionPath.isEmpty()) {
            fail(QStringLiteral("the desktop refused the remote desktop session (response %1)").arg(response));
            return;
        }
        m_session = QDBusObjectPath(sessionPath);
        m_bus.connect(QString::fromLatin1(service), sessionPath, QString::fromLatin1(sessionInterface),
                      QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
        QVariantMap devices{{QStringLiteral("types"), keyboardDevice},
                            {QStringLiteral("persist_mode"), persistUntilRevoked}};
        if (!restoreToken.isEmpty())
            devices.insert(QStringLiteral("restore_token"), restoreToken);
        request(QStringLiteral("SelectDevices"), {QVariant::fromValue(m_session)}, devices,
                [this](uint response, const QVariantMap &) {
            if (response != 0) {
                fail(QStringLiteral("the desktop refused the keyboard (response %1)").arg(response));
                return;
            }
            request(QStringLiteral("Start"), {QVariant::fromValue(m_session), QString()}, {},
                    [this](uint response, const QVariantMap &results) {
                if (response != 0) {
                    // 1: the user said no in the dialog; 2: the desktop gave up.
                    fail(response == 1 ? QStringLiteral("the user did not allow typing")
                                       : QStringLiteral("the desktop ended the request (response %1)").arg(response));
                    return;
                }
                m_starting = false;
                m_started = true;
                emit started(results.value(QStringLiteral("restore_token")).toString());
            });
        });
    });
}

void RemoteDesktopPortal::notifyKeysym(int keysym, bool pressed)
{
    if (!m_started)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QString::fromLatin1(interface),
                                                       QStringLiteral("NotifyKeyboardKeysym"));
    call.setArguments({QVariant::fromValue(m_session), QVariantMap(), keysym, uint(pressed ? 1 : 0)});
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher] {
        watcher->deleteLater();
        if (watcher->isError())
            std::fprintf(stderr, "Sayline: the desktop did not take a key press: %s\n",
                         qPrintable(watcher->error().message()));
    });
}

void RemoteDesktopPortal::onSessionClosed()
{
    m_session = QDBusObjectPath();
    m_started = false;
    emit refused(QStringLiteral("the desktop ended the remote desktop session"));
}

void RemoteDesktopPortal::fail(const QString &why)
{
    closeSession();
    m_starting = false;
    m_started = false;
    emit refused(why);
}

void RemoteDesktopPortal::closeSession()
{
    if (m_session.path().isEmpty())
        return;
    m_bus.disconnect(QString::fromLatin1(service), m_session.path(), QString::fromLatin1(sessionInterface),
                     QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
    m_bus.call(QDBusMessage::createMethodCall(QString::fromLatin1(service), m_session.path(),
                                              QString::fromLatin1(sessionInterface), QStringLiteral("Close")),
               QDBus::NoBlock);
    m_session = QDBusObjectPath();
}

void RemoteDesktopPortal::request(const QString &method, QVariantList arguments, QVariantMap options,
                                  ResponseHandler onResponse)
{
    const QString token = QStringLiteral("saylinetyping%1").arg(++m_requestCounter);
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    auto *pending = new Request(m_bus, expectedRequestPath(m_bus, token), std::move(onResponse), this);

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QString::fromLatin1(interface), method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, pending, method] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            delete pending;
            fail(QStringLiteral("%1: %2").arg(method, reply.error().message()));
            return;
        }
        pending->moveTo(reply.value().path());
    });
}

bool RemoteDesktopPortal::isOffered(QDBusConnection bus, int timeoutMs, QString *why)
{
    if (!bus.isConnected()) {
        *why = QStringLiteral("no D-Bus session bus");
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({QString::fromLatin1(interface), QStringLiteral("version")});
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    *why = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
               ? QStringLiteral("no desktop portal on the session bus")
               : QStringLiteral("the desktop portal has no RemoteDesktop interface (%1)").arg(reply.errorMessage());
    return false;
}

#include "RemoteDesktopPortal.moc"
