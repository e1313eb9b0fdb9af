#pragma once

#include <QString>

// Writes one diagnostic line to standard output, flushed at once (any thread).
void writeLogLine(const QString &line);
