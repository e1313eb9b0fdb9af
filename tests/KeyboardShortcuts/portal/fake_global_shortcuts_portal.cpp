// A stand-in for the desktop portal's GlobalShortcuts interface on a private
// session bus, answering as xdg-desktop-portal does (requests answered by a
// Response signal, version 1's string session handle, triggers described in
// KDE's words). It writes every call it receives as one line on standard output,
// after "ready", and takes commands on standard input:
//   activate ID / deactivate ID     the desktop's Activated / Deactivated
//   rebind ID DESCRIPTION           the user bound another trigger (ShortcutsChanged)
// Options: --describe ID=DESCRIPTION answers with that trigger description
// (empty: bound to nothing) instead of the preferred trigger's.
#include <PortalShortcutList.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using KeyboardShortcuts::PortalShortcutEntry;
using KeyboardShortcuts::PortalShortcutList;

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

void record(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// "CTRL+LOGO+a" as KDE describes it: "Ctrl+Meta+A".
QString kdeDescription(const QString &trigger)
{
    QStringList parts = trigger.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (QString &part : parts) {
        if (part == QLatin1String("CTRL")) part = QStringLiteral("Ctrl");
        else if (part == QLatin1String("LOGO")) part = QStringLiteral("Meta");
        else if (part == QLatin1String("ALT")) part = QStringLiteral("Alt");
        else if (part == QLatin1String("SHIFT")) part = QStringLiteral("Shift");
        else if (part.size() == 1) part = part.toUpper();
    }
    return parts.join(QLatin1Char('+'));
}

QString senderPart(const QString &uniqueName)
{
    return uniqueName.mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

} // namespace

class FakeGlobalShortcuts : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    QHash<QString, QString> describedAs; // --describe
    QString session;
    PortalShortcutList bound;

    uint version() const { return 1; }

    void activate(const QString &member, const QString &id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, member);
        signal.setArguments({QVariant::fromValue(QDBusObjectPath(session)), id, qulonglong(0), QVariantMap()});
        QDBusConnection::sessionBus().send(signal);
    }

    void rebind(const QString &id, const QString &description)
    {
        for (PortalShortcutEntry &entry : bound) {
            if (entry.id == id)
                entry.properties.insert(QStringLiteral("trigger_description"), description);
        }
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"));
        signal.setArguments({QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(bound)});
        QDBusConnection::sessionBus().send(signal);
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options)
    {
        const PortalShortcutList asked = KeyboardShortcuts::portalShortcutList(options.value(QStringLiteral("shortcuts")));
        const QString token = options.value(QStringLiteral("session_handle_token")).toString();
        record(QStringLiteral("CreateSession session_handle_token=%1 shortcuts=%2").arg(token, describe(asked)));
        session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2").arg(senderPart(message().service()), token);
        bind(asked);
        return respond(options, {{QStringLiteral("session_handle"), session}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath &, const KeyboardShortcuts::PortalShortcutList &shortcuts,
                                  const QString &, const QVariantMap &options)
    {
        record(QStringLiteral("BindShortcuts shortcuts=%1").arg(describe(shortcuts)));
        return respond(options, {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
    }

    QDBusObjectPath ListShortcuts(const QDBusObjectPath &, const QVariantMap &options)
    {
        record(QStringLiteral("ListShortcuts"));
        return respond(options, {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
    }

private:
    static QString describe(const PortalShortcutList &shortcuts)
    {
        QStringList parts;
        for (const PortalShortcutEntry &entry : shortcuts) {
            parts.append(QStringLiteral("%1[%2](%3)").arg(entry.id, entry.properties.value("description").toString(),
                                                          entry.properties.value("preferred_trigger").toString()));
        }
        return parts.join(QLatin1Char(','));
    }

    void bind(const PortalShortcutList &asked)
    {
        bound.clear();
        for (const PortalShortcutEntry &entry : asked) {
            const QString trigger = entry.properties.value(QStringLiteral("preferred_trigger")).toString();
            QVariantMap properties{{QStringLiteral("description"), entry.properties.value(QStringLiteral("description"))},
                                   {QStringLiteral("trigger_description"),
                                    describedAs.value(entry.id, kdeDescription(trigger))}};
            bound.append({entry.id, properties});
        }
    }

    // The request object answers after the call has returned, as the portal does.
    QDBusObjectPath respond(const QVariantMap &options, const QVariantMap &results)
    {
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                    .arg(senderPart(message().service()),
                                         options.value(QStringLiteral("handle_token")).toString());
        QTimer::singleShot(0, this, [request, results] {
            QDBusMessage response = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            response.setArguments({0u, results});
            QDBusConnection::sessionBus().send(response);
        });
        return QDBusObjectPath(request);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    KeyboardShortcuts::registerPortalShortcutTypes();
    FakeGlobalShortcuts portal;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--describe")) {
            const QString value = arguments.at(++i);
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            portal.describedAs.insert(value.left(equals), value.mid(equals + 1));
        }
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(portalPath, &portal,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "fake portal: cannot register on the session bus: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char chunk[4096];
        const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (count <= 0) {
            app.quit();
            return;
        }
        pending.append(chunk, count);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QStringList words = QString::fromUtf8(pending.left(end)).split(QLatin1Char(' '));
            if (words.value(0) == QLatin1String("activate"))
                portal.activate(QStringLiteral("Activated"), words.value(1));
            else if (words.value(0) == QLatin1String("deactivate"))
                portal.activate(QStringLiteral("Deactivated"), words.value(1));
            else if (words.value(0) == QLatin1String("rebind"))
                portal.rebind(words.value(1), words.mid(2).join(QLatin1Char(' ')));
        }
    });
    record(QStringLiteral("ready"));
    return app.exec();
}

#include "fake_global_shortcuts_portal.moc"
