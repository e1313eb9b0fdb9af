#pragma once

#include <QString>

// Writes one diagnostic line to standard output, flushed at once (any thread).
void writeLogLine(const QString &line);

// The same on standard error: for what went wrong (any thread).
void writeErrorLine(const QString &line);

// Whether diagnostic lines may carry what the user said: only when SAYLINE_LOG_TRANSCRIPTS=1,
// because desktop sessions keep standard output in a log on disk.
bool transcriptLoggingEnabled();
