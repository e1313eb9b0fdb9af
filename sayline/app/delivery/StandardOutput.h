#pragma once

#include <QString>

// Writes one diagnostic line to standard output (UTF-8, newline, flushed).
// The program's fixed log lines go here; other diagnostics go to stderr.
void writeLogLine(const QString &line);
