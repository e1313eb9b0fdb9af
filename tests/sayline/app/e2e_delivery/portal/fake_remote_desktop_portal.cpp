// A stand-in for the desktop portal's RemoteDesktop interface on a private
// session bus, answering as xdg-desktop-portal does: every call but the key
// presses returns a request object that answers with a Response signal after
// the call has returned; the session lives at the path derived from the
// session_handle_token. Start hands out a new restore token ("token-N").
// It writes every call it receives as one line on standard output, after
// "ready" (Close: the client closed its session); a key press line carries the clipboard's text at that moment, read
// by xclip as any pasting program would.
// Options: --refuse N  answers Start with response N (1: the user said no).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {

void record(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString senderPart(const QString &uniqueName)
{
    return uniqueName.mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

QString clipboardText()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    if (!xclip.waitForFinished(3000) || xclip.exitCode() != 0)
        return QStringLiteral("<none>");
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

} // namespace

// The session object CreateSession makes; Close ends it.
class FakeSession : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public slots:
    void Close()
    {
        record(QStringLiteral("Close"));
        QDBusConnection::sessionBus().unregisterObject(message().path());
        deleteLater();
    }
};

class FakeRemoteDesktop : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version READ version)
    Q_PROPERTY(uint AvailableDeviceTypes READ availableDeviceTypes)
public:
    uint startResponse = 0;

    uint version() const { return 2; }
    uint availableDeviceTypes() const { return 7; }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options)
    {
        const QString token = options.value(QStringLiteral("session_handle_token")).toString();
        record(QStringLiteral("CreateSession session_handle_token=%1").arg(token));
        const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                    .arg(senderPart(message().service()), token);
        // The path is the session's name: a second session of it (from any of
        // the portal's interfaces) is refused, as by the desktop.
        if (QDBusConnection::sessionBus().objectRegisteredAt(session)
            || !QDBusConnection::sessionBus().registerObject(session, new FakeSession, QDBusConnection::ExportAllSlots))
            return respond(options, 2, {});
        m_session = session;
        return respond(options, 0, {{QStringLiteral("session_handle"), m_session}});
    }

    QDBusObjectPath SelectDevices(const QDBusObjectPath &session, const QVariantMap &options)
    {
        record(QStringLiteral("SelectDevices session=%1 types=%2 persist_mode=%3 restore_token=%4")
                   .arg(ours(session), options.value(QStringLiteral("types")).toString(),
                        options.value(QStringLiteral("persist_mode")).toString(),
                        options.value(QStringLiteral("restore_token")).toString()));
        return respond(options, 0, {});
    }

    QDBusObjectPath Start(const QDBusObjectPath &session, const QString &parentWindow, const QVariantMap &options)
    {
        record(QStringLiteral("Start session=%1 parent_window=%2").arg(ours(session), parentWindow));
        if (startResponse != 0)
            return respond(options, startResponse, {});
        return respond(options, 0,
                       {{QStringLiteral("devices"), 1u},
                        {QStringLiteral("restore_token"), QStringLiteral("token-%1").arg(++m_tokens)}});
    }

    void NotifyKeyboardKeycode(const QDBusObjectPath &session, const QVariantMap &, int keycode, uint state)
    {
        record(QStringLiteral("NotifyKeyboardKeycode session=%1 keycode=%2 state=%3 clipboard=%4")
                   .arg(ours(session), QString::number(keycode), QString::number(state), clipboardText()));
    }

private:
    QString ours(const QDBusObjectPath &session) const
    {
        return session.path() == m_session && !m_session.isEmpty() ? QStringLiteral("ours") : session.path();
    }

    QDBusObjectPath respond(const QVariantMap &options, uint response, const QVariantMap &results)
    {
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                    .arg(senderPart(message().service()),
                                         options.value(QStringLiteral("handle_token")).toString());
        QTimer::singleShot(0, this, [request, response, results] {
            QDBusMessage signal = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal.setArguments({response, results});
            QDBusConnection::sessionBus().send(signal);
        });
        return QDBusObjectPath(request);
    }

    QString m_session;
    int m_tokens = 0;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    FakeRemoteDesktop portal;
    const QStringList arguments = app.arguments();
    const qsizetype refuse = arguments.indexOf(QStringLiteral("--refuse"));
    if (refuse > 0)
        portal.startResponse = arguments.value(refuse + 1).toUInt();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "fake portal: cannot register on the session bus: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    record(QStringLiteral("ready"));
    return app.exec();
}

#include "fake_remote_desktop_portal.moc"
