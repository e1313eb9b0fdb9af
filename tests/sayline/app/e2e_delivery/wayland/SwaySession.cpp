#include "SwaySession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

namespace SwaySession {
namespace {

qint64 focusedPidIn(const QJsonObject &node)
{
    if (node.value(QStringLiteral("focused")).toBool())
        return node.value(QStringLiteral("pid")).toInteger();
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : node.value(QLatin1String(children)).toArray()) {
            if (const qint64 pid = focusedPidIn(child.toObject()))
                return pid;
        }
    }
    return 0;
}

} // namespace

qint64 focusedPid()
{
    const Output tree = run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    return focusedPidIn(QJsonDocument::fromJson(tree.standardOutput).object());
}

bool waitForFocus(qint64 pid)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        if (focusedPid() == pid)
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool setLayout(const QString &layout)
{
    return run(QStringLiteral("swaymsg"), {QStringLiteral("input type:keyboard xkb_layout ") + layout}).exitCode == 0;
}

Output run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setReadChannel(QProcess::StandardOutput);
    process.start(program, arguments);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
}

} // namespace SwaySession
