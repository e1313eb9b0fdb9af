#pragma once

#include <QByteArray>

#include <memory>

class QSocketNotifier;

// Writes one copy of the clipboard text to a reader's file descriptor (the
// write end of its pipe) and closes it. The descriptor is made non-blocking and
// written to whenever it has room, so a slow or stuck reader never blocks the
// main thread; a reader that closes its end early only ends its own transfer.
class SelectionTransfer
{
public:
    SelectionTransfer(int fd, QByteArray data);
    ~SelectionTransfer();
    SelectionTransfer(const SelectionTransfer &) = delete;
    SelectionTransfer &operator=(const SelectionTransfer &) = delete;

    bool finished() const { return m_fd < 0; }

private:
    void writeSome();
    void close();

    int m_fd;
    QByteArray m_data;
    qsizetype m_written = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
