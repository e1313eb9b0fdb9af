#include "LogLine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void writeLogLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void writeErrorLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

bool transcriptLoggingEnabled()
{
    const char *value = std::getenv("SAYLINE_LOG_TRANSCRIPTS");
    return value && std::strcmp(value, "1") == 0;
}
