#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

namespace KeyboardShortcuts::PortalRequest {

namespace {

constexpr const char *requestInterface = "org.freedesktop.portal.Request";

// The object a request of this connection will have: the portal derives it
// from the caller's unique name and the handle token.
QString expectedRequestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

// One pending request: listens for its Response and deletes itself after it.
class Pending : public QObject
{
    Q_OBJECT
public:
    Pending(QDBusConnection bus, QString objectPath, ResponseHandler handler, QObject *parent)
        : QObject(parent), m_bus(std::move(bus)), m_handler(std::move(handler))
    {
        listenOn(std::move(objectPath));
    }
    ~Pending() override { stopListening(); }

    // The portal answered the call with the request's real object (older ones
    // do not derive it from the token).
    void moveTo(const QString &objectPath)
    {
        if (objectPath == m_path || !m_handler) // answered already
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

} // namespace

void call(QDBusConnection bus, const QString &interface, const QString &method, QVariantList arguments,
          QVariantMap options, const QString &token, QObject *context, ResponseHandler onResponse,
          ErrorHandler onError)
{
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    // The Response may come (and the listener go) before the call's own reply is handled.
    QPointer<Pending> pending = new Pending(bus, expectedRequestPath(bus, token), std::move(onResponse), context);

    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                          interface, method);
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, pending, method, onError = std::move(onError)] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            delete pending.data();
            onError(QStringLiteral("%1: %2").arg(method, reply.error().message()));
            return;
        }
        if (pending)
            pending->moveTo(reply.value().path());
    });
}

bool isOffered(QDBusConnection bus, const QString &interface, int timeoutMs, QString *why)
{
    if (!bus.isConnected()) {
        *why = QStringLiteral("no D-Bus session bus");
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({interface, QStringLiteral("version")});
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    const QString shortName = interface.section(QLatin1Char('.'), -1);
    *why = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
               ? QStringLiteral("no desktop portal on the session bus")
               : QStringLiteral("the desktop portal has no %1 interface (%2)").arg(shortName, reply.errorMessage());
    return false;
}

} // namespace KeyboardShortcuts::PortalRequest

#include "PortalRequest.moc"
