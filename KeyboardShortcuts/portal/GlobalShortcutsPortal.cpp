#include "GlobalShortcutsPortal.h"

#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace KeyboardShortcuts {

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
    PortalRequest::call(m_bus, QString::fromLatin1(interface), method, std::move(arguments), std::move(options),
                        QStringLiteral("sayline%1").arg(++m_requestCounter), this, std::move(onResponse),
                        [this](const QString &why) { emit failed(why); });
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
    return PortalRequest::isOffered(std::move(bus), QString::fromLatin1(interface), timeoutMs, why);
}

} // namespace KeyboardShortcuts

