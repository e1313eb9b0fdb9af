#include "SelectionTransfer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

// write() to a pipe whose reader has gone raises SIGPIPE, which would end
// Sayline: the signal is held back for this call and a pending one discarded.
ssize_t writeWithoutSigpipe(int fd, const char *data, size_t size)
{
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t written = ::write(fd, data, size);
    const int error = errno;
    if (written < 0 && error == EPIPE) {
        const timespec noWait{};
        sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

} // namespace

SelectionTransfer::SelectionTransfer(int fd, QByteArray data) : m_fd(fd), m_data(std::move(data))
{
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    writeSome();
    if (finished())
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { writeSome(); });
}

SelectionTransfer::~SelectionTransfer()
{
    close();
}

void SelectionTransfer::writeSome()
{
    while (m_written < m_data.size()) {
        const ssize_t written = writeWithoutSigpipe(m_fd, m_data.constData() + m_written, m_data.size() - m_written);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN)
            return; // the reader has not caught up; the notifier calls again
        if (written < 0)
            break; // the reader went away
        m_written += written;
    }
    close();
}

void SelectionTransfer::close()
{
    if (m_fd < 0)
        return;
    if (m_notifier)
        m_notifier->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
}
