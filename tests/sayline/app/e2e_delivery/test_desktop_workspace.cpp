// Which settings page a settings link opens on which desktop.
#include "DesktopWorkspace.h"
#include "Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString accessibility =
    QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");
const QString microphone = QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Microphone");

} // namespace

class DesktopWorkspaceTest : public QObject
{
    Q_OBJECT

private slots:
    void findsTheDesktopsPage_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("command"); // program, then arguments; empty: nothing opens
        const QStringList gnome{"gnome-control-center"};
        QTest::newRow("GNOME microphone") << microphone << "GNOME" << gnome
                                          << QStringList{"/usr/bin/gnome-control-center", "sound"};
        QTest::newRow("GNOME in a list") << microphone << "ubuntu:GNOME" << gnome
                                         << QStringList{"/usr/bin/gnome-control-center", "sound"};
        QTest::newRow("GNOME without its settings") << microphone << "GNOME" << QStringList{} << QStringList{};
        QTest::newRow("KDE microphone") << microphone << "KDE" << QStringList{"systemsettings"}
                                        << QStringList{"/usr/bin/systemsettings", "kcm_pulseaudio"};
        QTest::newRow("KDE 5 accessibility") << accessibility << "KDE" << QStringList{"systemsettings5"}
                                             << QStringList{"/usr/bin/systemsettings5", "kcm_access"};
        QTest::newRow("other desktop") << microphone << "XFCE" << gnome << QStringList{};
        QTest::newRow("no desktop") << microphone << "" << gnome << QStringList{};
        QTest::newRow("unknown link") << QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Camera")
                                      << "GNOME" << gnome << QStringList{};
        QTest::newRow("look-alike link") << accessibility + "&x" << "GNOME" << gnome << QStringList{};
    }

    void findsTheDesktopsPage()
    {
        QFETCH(QString, url);
        QFETCH(QString, desktop);
        QFETCH(QStringList, installed);
        QFETCH(QStringList, command);
        const auto found = settingsPageCommand(url, desktop, [&](const QString &program) {
            return installed.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
        });
        QCOMPARE(found.has_value(), !command.isEmpty());
        if (found)
            QCOMPARE(QStringList{found->program} + found->arguments, command);
    }

    void startsTheSettingsProgram()
    {
        // A stand-in for the desktop's settings program that records how it was started.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("started-with"));
        QFile script(bin.filePath(QStringLiteral("gnome-control-center")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\n").arg(record).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toLocal8Bit() + ":/usr/bin:/bin");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");

        const auto workspace = makeDefaultWorkspace();
        QVERIFY(workspace->openUrl(accessibility));
        QTRY_VERIFY(QFileInfo(record).size() > 0);
        QFile recorded(record);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        QCOMPARE(recorded.readAll(), QByteArray("privacy\n"));

        qputenv("XDG_CURRENT_DESKTOP", "XFCE");
        QVERIFY(!workspace->openUrl(accessibility));
    }
};

QTEST_GUILESS_MAIN(DesktopWorkspaceTest)
#include "test_desktop_workspace.moc"
