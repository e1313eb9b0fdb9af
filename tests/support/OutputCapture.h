#pragma once

// Captures what the process writes to standard output or standard error, at
// the file descriptor level (C libraries' output too), while it lives.

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

class OutputCapture
{
public:
    explicit OutputCapture(int fd = STDOUT_FILENO) : m_fd(fd)
    {
        m_file.open();
        flush();
        m_saved = ::dup(fd);
        ::dup2(m_file.handle(), fd);
    }
    ~OutputCapture() { finish(); }
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

    // Restores the stream and returns everything written meanwhile.
    QByteArray finish()
    {
        if (m_saved >= 0) {
            flush();
            ::dup2(m_saved, m_fd);
            ::close(m_saved);
            m_saved = -1;
            m_text = writtenSoFar();
        }
        return m_text;
    }
    QString text() { return QString::fromUtf8(finish()); }

    // The lines written so far (capturing goes on), without those QtTest
    // itself logs meanwhile (warnings, debug messages).
    QStringList lines() const
    {
        if (m_saved >= 0)
            flush();
        QStringList result;
        const QString written = QString::fromUtf8(m_saved >= 0 ? writtenSoFar() : m_text);
        for (const QString &line : written.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!isQtTestLine(line))
                result.append(line);
        }
        return result;
    }

private:
    void flush() const { std::fflush(m_fd == STDERR_FILENO ? stderr : stdout); }
    QByteArray writtenSoFar() const
    {
        QFile reader(m_file.fileName());
        return reader.open(QIODevice::ReadOnly) ? reader.readAll() : QByteArray();
    }
    static bool isQtTestLine(const QString &line)
    {
        for (const char *prefix : {"QWARN", "QDEBUG", "QINFO", "QSYSTEM", "QCRITICAL", "QFATAL"}) {
            if (line.startsWith(QLatin1String(prefix)))
                return true;
        }
        return false;
    }

    int m_fd;
    int m_saved = -1;
    QTemporaryFile m_file;
    QByteArray m_text;
};
