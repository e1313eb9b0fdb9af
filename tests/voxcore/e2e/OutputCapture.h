#pragma once

// Captures what the process writes to a standard stream (1 or 2) at the file
// descriptor level, so output of C libraries is caught too.

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

class OutputCapture
{
public:
    explicit OutputCapture(int fd) : m_fd(fd)
    {
        m_file.open();
        std::fflush(fd == 1 ? stdout : stderr);
        m_saved = ::dup(fd);
        ::dup2(m_file.handle(), fd);
    }
    ~OutputCapture() { finish(); }

    // Restores the stream and returns what was written meanwhile.
    QByteArray finish()
    {
        if (m_saved >= 0) {
            std::fflush(m_fd == 1 ? stdout : stderr);
            ::dup2(m_saved, m_fd);
            ::close(m_saved);
            m_saved = -1;
            QFile read(m_file.fileName());
            if (read.open(QIODevice::ReadOnly))
                m_text = read.readAll();
        }
        return m_text;
    }

private:
    int m_fd;
    int m_saved = -1;
    QTemporaryFile m_file;
    QByteArray m_text;
};
