#include "X11TestSupport.h"

namespace X11TestSupport {

bool runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString GrabHolder::start(std::uint8_t xKeyCode, std::uint16_t modifierMask)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start(QString::fromLocal8Bit(qgetenv("X11_GRAB_HOLDER")),
                    {QString::number(xKeyCode), QString::number(modifierMask)});
    if (!m_process.waitForStarted(5000))
        return QStringLiteral("not started: ") + m_process.errorString();
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000))
            return QStringLiteral("no answer: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
    }
    return QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

GrabHolder::~GrabHolder()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}

} // namespace X11TestSupport
