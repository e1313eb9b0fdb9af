#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Redirects the process's standard output into a temporary file while alive,
// so a test can read the exact lines the code under test wrote there. Lines
// QtTest itself logs meanwhile (warnings, debug messages) are left out.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        m_file.open();
        std::fflush(stdout);
        m_savedFd = ::dup(STDOUT_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }

    QStringList lines()
    {
        std::fflush(stdout);
        QFile reader(m_file.fileName());
        reader.open(QIODevice::ReadOnly);
        QStringList result;
        for (const QString &line : QString::fromUtf8(reader.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!isQtTestLine(line))
                result.append(line);
        }
        return result;
    }

private:
    static bool isQtTestLine(const QString &line)
    {
        for (const char *prefix : {"QWARN", "QDEBUG", "QINFO", "QSYSTEM", "QCRITICAL", "QFATAL"}) {
            if (line.startsWith(QLatin1String(prefix)))
                return true;
        }
        return false;
    }

    void restore()
    {
        if (m_savedFd < 0)
            return;
        std::fflush(stdout);
        ::dup2(m_savedFd, STDOUT_FILENO);
        ::close(m_savedFd);
        m_savedFd = -1;
    }

    QTemporaryFile m_file;
    int m_savedFd = -1;
};
