#include "GlobalShortcutsPortal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace KeyboardShortcuts {

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

} // namespace

// One pending request: listens for its Response (subscribed before the call,
// so an early answer is not lost) and deletes itself after it.
class GlobalShortcutsPortal::Request : public QObject
{
    Q_OBJECT
public:
    Request(QDBusConnection bus, QString objectPath, ResponseHandler handler, QObject *parent)
        : QObject(parent), m_bus(std::move(bus)), m_handler(std::move(handler))
    {
        listenOn(std::move(objectPath));
    }
    ~Request() override { stopListening(); }

    // The portal answered the call with the request's real object (older ones
    // do not derive it from the token).
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

GlobalShortcutsPortal::GlobalShortcutsPortal(QDBusConnection bus, QObject *parent)
    : QObject(parent), m_bus(std::move(bus))
{
    registerPortalShortcutTypes();
    const QString service = QString::fromLatin1(GlobalShortcutsPortal::service);
    const QString objectPath = QString::fromLatin1(path);
    const QString iface = QString::fromLatin1(interface);
    for (const char *signal : {"Activated", "Deactivated", "ShortcutsChanged"}) {
        m_bus.connect(service, objectPath, iface, QString::fromLatin1(signal), this,
                      SLOT(onSessionSignal(QDBusMessage)));
    }
}

GlobalShortcutsPortal::~GlobalShortcutsPortal()
{
    // The desktop keeps the binding (the token names it); only the session ends.
    if (hasSession()) {
        m_bus.call(QDBusMessage::createMethodCall(QString::fromLatin1(service), m_session.path(),
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
    }
}

void GlobalShortcutsPortal::createSession(const QString &sessionToken, const PortalShortcutList &shortcuts)
{
    QVariantMap options{{QStringLiteral("session_handle_token"), sessionToken}};
    if (!shortcuts.isEmpty())
        options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
    request(QStringLiteral("CreateSession"), {}, options, [this](uint response, const QVariantMap &results) {
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        // Version 1 of the interface answers with a string, later ones with an object path.
        const QString sessionPath = handle.canConvert<QDBusObjectPath>() && handle.userType() != QMetaType::QString
                                        ? handle.value<QDBusObjectPath>().path()
                                        : handle.toString();
        if (response != 0 || sessionPath.isEmpty()) {
            emit failed(QStringLiteral("the desktop refused the shortcut session (response %1)").arg(response));
            return;
        }
        m_session = QDBusObjectPath(sessionPath);
        emit sessionOpened();
        if (results.contains(QStringLiteral("shortcuts")))
            reportShortcuts(QStringLiteral("CreateSession"), response, results);
    });
}

void GlobalShortcutsPortal::bindShortcuts(const PortalShortcutList &shortcuts)
{
    if (!hasSession())
        return;
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(m_session), QVariant::fromValue(shortcuts), QString()}, {},
            [this](uint response, const QVariantMap &results) {
                reportShortcuts(QStringLiteral("BindShortcuts"), response, results);
            });
}

void GlobalShortcutsPortal::listShortcuts()
{
    if (!hasSession())
        return;
    request(QStringLiteral("ListShortcuts"), {QVariant::fromValue(m_session)}, {},
            [this](uint response, const QVariantMap &results) {
                reportShortcuts(QStringLiteral("ListShortcuts"), response, results);
            });
}

void GlobalShortcutsPortal::reportShortcuts(const QString &method, uint response, const QVariantMap &results)
{
    // 1: the user dismissed the desktop's dialog; nothing changed.
    if (response == 1)
        return;
    if (response != 0) {
        emit failed(QStringLiteral("%1 failed (response %2)").arg(method).arg(response));
        return;
    }
    emit shortcutsReported(portalShortcutList(results.value(QStringLiteral("shortcuts"))),
                           method == QLatin1String("BindShortcuts"));
}

void GlobalShortcutsPortal::request(const QString &method, QVariantList arguments, QVariantMap options,
                                    ResponseHandler onResponse)
{
    const QString token = QStringLiteral("sayline%1").arg(++m_requestCounter);
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
            emit failed(QStringLiteral("%1: %2").arg(method, reply.error().message()));
            return;
        }
        pending->moveTo(reply.value().path());
    });
}

void GlobalShortcutsPortal::onSessionSignal(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || !isOurs(arguments.at(0).value<QDBusObjectPath>()))
        return;
    if (message.member() == QLatin1String("Activated"))
        emit activated(arguments.at(1).toString());
    else if (message.member() == QLatin1String("Deactivated"))
        emit deactivated(arguments.at(1).toString());
    else if (message.member() == QLatin1String("ShortcutsChanged"))
        emit shortcutsReported(portalShortcutList(arguments.at(1)), true);
}

bool GlobalShortcutsPortal::isOffered(QDBusConnection bus, int timeoutMs, QString *why)
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
               : QStringLiteral("the desktop portal has no GlobalShortcuts interface (%1)").arg(reply.errorMessage());
    return false;
}

} // namespace KeyboardShortcuts

#include "GlobalShortcutsPortal.moc"
