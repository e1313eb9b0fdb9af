#include "X11TestSupport.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

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

KeyPressCounter::KeyPressCounter(std::uint8_t xKeyCode) : m_keyCode(xKeyCode)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

KeyPressCounter::~KeyPressCounter()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool KeyPressCounter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if (eventType == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_KEY_PRESS
        && reinterpret_cast<const xcb_key_press_event_t *>(event)->detail == m_keyCode)
        ++m_presses;
    return false;
}

} // namespace X11TestSupport
