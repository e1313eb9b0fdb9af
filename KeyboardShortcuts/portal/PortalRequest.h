#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

namespace KeyboardShortcuts {

// The desktop portal's way of answering a call: the method returns a request
// object at once, and the answer comes later as that object's Response signal
// (0: done, 1: the user cancelled, 2: it ended otherwise).
namespace PortalRequest {

inline constexpr const char *service = "org.freedesktop.portal.Desktop";
inline constexpr const char *path = "/org/freedesktop/portal/desktop";

using ResponseHandler = std::function<void(uint response, const QVariantMap &results)>;
using ErrorHandler = std::function<void(const QString &why)>;

// Calls `method` of `interface` on the portal with `arguments` and `options`
// (to which `token` is added as the handle token) and hands the Response to
// `onResponse`, or a failed call to `onError`. Listens before calling, so an
// early answer is not lost; nothing blocks. Both handlers run only while
// `context` lives.
void call(QDBusConnection bus, const QString &interface, const QString &method, QVariantList arguments,
          QVariantMap options, const QString &token, QObject *context, ResponseHandler onResponse,
          ErrorHandler onError);

// Whether the bus offers `interface` on the portal (its "version" property
// answers), asked once and waited for at most `timeoutMs`; `why` says why not.
bool isOffered(QDBusConnection bus, const QString &interface, int timeoutMs, QString *why);

} // namespace PortalRequest

} // namespace KeyboardShortcuts
