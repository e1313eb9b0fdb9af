#include "RemoteDesktopPortal.h"

#include <PortalRequest.h>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <cstdio>

namespace {

using KeyboardShortcuts::PortalRequest::path;
using KeyboardShortcuts::PortalRequest::service;
constexpr const char *sessionInterface = "org.freedesktop.portal.Session";
// The device types of SelectDevices: the keyboard alone.
constexpr uint keyboardDevice = 1;
// Kept until the user revokes it, across restarts (with the restore token).
constexpr uint persistUntilRevoked = 2;

QString sessionPathOf(const QVariant &handle)
{
    // Older portals answer with a string, newer ones with an object path.
    return handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                : handle.toString();
}

} // namespace

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

void RemoteDesktopPortal::notifyKeycode(int evdevCode, bool pressed)
{
    if (!m_started)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QString::fromLatin1(interface),
                                                       QStringLiteral("NotifyKeyboardKeycode"));
    call.setArguments({QVariant::fromValue(m_session), QVariantMap(), evdevCode, uint(pressed ? 1 : 0)});
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
    KeyboardShortcuts::PortalRequest::call(m_bus, QString::fromLatin1(interface), method, std::move(arguments),
                                           std::move(options),
                                           QStringLiteral("saylinetyping%1").arg(++m_requestCounter), this,
                                           std::move(onResponse), [this](const QString &why) { fail(why); });
}

bool RemoteDesktopPortal::isOffered(QDBusConnection bus, int timeoutMs, QString *why)
{
    return KeyboardShortcuts::PortalRequest::isOffered(std::move(bus), QString::fromLatin1(interface), timeoutMs, why);
}
