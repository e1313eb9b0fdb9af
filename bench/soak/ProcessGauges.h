#pragma once

// Resident memory, open file descriptors and threads of this process, read
// from /proc, for the soak programs' curves.

#include <QDir>
#include <QFile>

#include <malloc.h>

namespace soak {

// A field of /proc/self/status in kB (VmRSS, VmHWM, Threads), or 0.
inline long statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(name) && line.size() > qsizetype(qstrlen(name)) && line[qstrlen(name)] == ':')
            return line.mid(qstrlen(name) + 1).trimmed().split(' ').first().toLong();
    return 0;
}

inline long openDescriptors()
{
    return long(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Bytes handed out by malloc and not yet freed, over all arenas: a leak grows
// it, while memory the allocator keeps for reuse only shows in the RSS.
inline long heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return long((info.uordblks + info.hblkhd) / 1024);
}

struct Gauges
{
    long rssKiB = 0, descriptors = 0, threads = 0, heapKiB = 0;

    static Gauges now()
    {
        return {statusField("VmRSS"), openDescriptors(), statusField("Threads"), heapInUseKiB()};
    }
};

} // namespace soak
