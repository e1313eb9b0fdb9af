#include "TypingTarget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#ifndef TYPING_TARGET_PATH
#error "TYPING_TARGET_PATH must name the typing_target program"
#endif

TypingTarget::TypingTarget()
    : m_output(m_dir.filePath(QStringLiteral("typed.txt")))
{
}

TypingTarget::~TypingTarget()
{
    m_process.kill();
    m_process.waitForFinished(2000);
}

bool TypingTarget::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(TYPING_TARGET_PATH), {m_output});
    if (!m_process.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        if (QFile::exists(m_output + QStringLiteral(".ready")))
            return true;
        if (m_process.state() != QProcess::Running)
            return false;
        QThread::msleep(20);
    }
    return false;
}

QString TypingTarget::readText() const
{
    QFile file(m_output);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString TypingTarget::waitForText(const QString &expected)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && readText() != expected)
        QThread::msleep(20);
    QThread::msleep(150);
    return readText();
}
