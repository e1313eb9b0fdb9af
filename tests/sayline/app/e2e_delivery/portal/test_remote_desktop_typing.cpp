// Typing through the RemoteDesktop portal on a private session bus, against a
// fake portal service (fake_remote_desktop_portal) that records the calls as the
// desktop would receive them, on a real X clipboard (private Xvfb) read back by
// xclip: the keyboard session and its options, the grant kept with the restore
// token, a refused consent, and the paste with the user's text put back.
#include "OutputCapture.h"
#include "Pasteboard.h"
#include "RemoteDesktopPasteInjector.h"
#include "RemoteDesktopPortal.h"

#include <UserDefaults.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace std::chrono_literals;

// The fake portal as a child process; its calls as lines.
class FakePortal
{
public:
    explicit FakePortal(const QStringList &arguments = {})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(FAKE_PORTAL_PATH), arguments);
    }
    ~FakePortal()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    // Waits until `count` calls starting with `prefix` have come.
    bool waitForCalls(const QString &prefix, int count = 1)
    {
        return QTest::qWaitFor([&] { return calls(prefix).size() >= count; }, 10000);
    }
    QStringList calls(const QString &prefix = QString())
    {
        while (m_process.canReadLine())
            m_lines.append(QString::fromUtf8(m_process.readLine()).chopped(1));
        QStringList matching;
        for (const QString &line : std::as_const(m_lines)) {
            if (line.startsWith(prefix) && line != QLatin1String("ready"))
                matching.append(line);
        }
        return matching;
    }
    bool isReady()
    {
        return QTest::qWaitFor([&] {
            calls();
            return m_lines.contains(QLatin1String("ready"));
        }, 10000);
    }

private:
    QProcess m_process;
    QStringList m_lines;
};

// What another program pasting now would get, read without blocking this
// process (it may be the clipboard's owner and must answer).
QString clipboardAsOthersSeeIt()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 5000))
        return QStringLiteral("<xclip hung>");
    return xclip.exitCode() == 0 ? QString::fromUtf8(xclip.readAllStandardOutput()) : QStringLiteral("<none>");
}

const QString keyboardSession = QStringLiteral("CreateSession session_handle_token=saylinetyping");
QString selectDevices(const QString &restoreToken)
{
    return QStringLiteral("SelectDevices session=ours types=1 persist_mode=2 restore_token=") + restoreToken;
}
const QString start = QStringLiteral("Start session=ours parent_window=");

} // namespace

class TestRemoteDesktopTyping : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<UserDefaults> m_defaults;

    std::unique_ptr<RemoteDesktopPasteInjector> makeInjector(std::chrono::milliseconds restoreDelay = 500ms)
    {
        return std::make_unique<RemoteDesktopPasteInjector>(
            std::make_unique<RemoteDesktopPortal>(QDBusConnection::sessionBus()), makeDefaultPasteboard(),
            *m_defaults, restoreDelay);
    }

private slots:
    void init()
    {
        QVERIFY(m_config.isValid());
        QVERIFY(!qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty());
        QFile::remove(m_config.filePath(QStringLiteral("defaults.json")));
        m_defaults = std::make_unique<UserDefaults>(m_config.filePath(QStringLiteral("defaults.json")));
    }

    // The first start asks (only when asked to), the grant's token is stored,
    // and the next start offers it and starts without being asked.
    void grantAskedOnceAndKept()
    {
        FakePortal portal;
        QVERIFY(portal.isReady());
        QString why;
        QVERIFY2(RemoteDesktopPortal::isOffered(QDBusConnection::sessionBus(), 2000, &why), qPrintable(why));
        {
            auto injector = makeInjector();
            QTest::qWait(200);
            QVERIFY(!injector->isTrusted());
            QCOMPARE(portal.calls(), QStringList());
            QVERIFY(!injector->typeText(QStringLiteral("too early")));

            QVERIFY(injector->requestTrust());
            QVERIFY(QTest::qWaitFor([&] { return injector->isTrusted(); }, 10000));
            QCOMPARE(portal.calls(), (QStringList{keyboardSession, selectDevices(QString()), start}));
            QCOMPARE(m_defaults->string(QLatin1String(RemoteDesktopPasteInjector::restoreTokenKey)),
                     QStringLiteral("token-1"));
        }
        QVERIFY(portal.waitForCalls(QStringLiteral("Close")));

        auto restarted = makeInjector();
        QVERIFY(QTest::qWaitFor([&] { return restarted->isTrusted(); }, 10000));
        QCOMPARE(portal.calls().mid(4),
                 (QStringList{keyboardSession, selectDevices(QStringLiteral("token-1")), start}));
        QCOMPARE(m_defaults->string(QLatin1String(RemoteDesktopPasteInjector::restoreTokenKey)),
                 QStringLiteral("token-2"));
    }

    // The shortcut session of the same program on the same bus connection
    // takes a session name of its own.
    void besideAnotherSessionOfTheProgram()
    {
        FakePortal portal;
        QVERIFY(portal.isReady());
        QDBusMessage shortcuts = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.RemoteDesktop"), QStringLiteral("CreateSession"));
        shortcuts.setArguments({QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("sayline")},
                                            {QStringLiteral("handle_token"), QStringLiteral("other")}}});
        QCOMPARE(QDBusConnection::sessionBus().call(shortcuts).type(), QDBusMessage::ReplyMessage);

        auto injector = makeInjector();
        injector->requestTrust();
        QVERIFY(QTest::qWaitFor([&] { return injector->isTrusted(); }, 10000));
    }

    // A refused dialog (the user's no, or the desktop's failure) is said once,
    // leaves typing untrusted and stores nothing.
    void refusedConsent_data()
    {
        QTest::addColumn<QString>("response");
        QTest::addColumn<QString>("reason");
        QTest::newRow("user said no") << "1" << "the user did not allow typing";
        QTest::newRow("desktop gave up") << "2" << "the desktop ended the request (response 2)";
    }
    void refusedConsent()
    {
        QFETCH(QString, response);
        QFETCH(QString, reason);
        FakePortal portal({QStringLiteral("--refuse"), response});
        QVERIFY(portal.isReady());
        auto injector = makeInjector();
        OutputCapture errors(STDERR_FILENO);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            QVERIFY(injector->requestTrust());
            QVERIFY(portal.waitForCalls(QStringLiteral("Start"), attempt));
            QVERIFY(QTest::qWaitFor([&] { return portal.calls(QStringLiteral("Close")).size() == attempt; }, 5000));
            QVERIFY(!injector->isTrusted());
        }
        const QString said = errors.text();
        QCOMPARE(said.count(QStringLiteral("Sayline: typing is not granted")), 1);
        QVERIFY2(said.contains(reason), qPrintable(said));
        QVERIFY(!injector->typeText(QStringLiteral("not typed")));
        QCOMPARE(portal.calls(QStringLiteral("NotifyKeyboardKeycode")), QStringList());
        QVERIFY(!m_defaults->contains(QLatin1String(RemoteDesktopPasteInjector::restoreTokenKey)));
    }

    // Text the layout cannot type goes on the clipboard for exactly the paste
    // chord; the user's earlier text (another program's) comes back after it.
    void pasteKeepsUsersText()
    {
        FakePortal portal;
        QVERIFY(portal.isReady());
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
        xclip.write("the user's text");
        xclip.closeWriteChannel();
        QVERIFY(xclip.waitForFinished(5000));
        QCOMPARE(clipboardAsOthersSeeIt(), QStringLiteral("the user's text"));

        // Long enough for the fake to read the clipboard at every key.
        auto injector = makeInjector(1500ms);
        injector->requestTrust();
        QVERIFY(QTest::qWaitFor([&] { return injector->isTrusted(); }, 10000));
        const QString text = QStringLiteral("é😀");
        QVERIFY(injector->typeText(text));
        QVERIFY(portal.waitForCalls(QStringLiteral("NotifyKeyboardKeycode"), 4));
        // Left Shift and Insert as Linux input event codes.
        const QString key = QStringLiteral("NotifyKeyboardKeycode session=ours keycode=%1 state=%2 clipboard=") + text;
        QCOMPARE(portal.calls(QStringLiteral("NotifyKeyboardKeycode")),
                 (QStringList{key.arg("42", "1"), key.arg("110", "1"), key.arg("110", "0"), key.arg("42", "0")}));
        QVERIFY(QTest::qWaitFor([&] { return clipboardAsOthersSeeIt() == QLatin1String("the user's text"); }, 5000));
    }
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestRemoteDesktopTyping test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_remote_desktop_typing.moc"
