#include "TypingTarget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
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
    return waitFor(expected, [](int ms) { QThread::msleep(ms); });
}

QString TypingTarget::waitForPaste(const QString &expected)
{
    return waitFor(expected, [](int ms) { QTest::qWait(ms); });
}

QString TypingTarget::waitFor(const QString &expected, const std::function<void(int ms)> &pause)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && readText() != expected)
        pause(20);
    pause(150); // stray extra text shows up too
    return readText();
}
