#pragma once

#include <QString>

// Compares version strings made of dot-separated numbers ("1.10.2" > "1.9").
// Missing trailing parts count as 0, so "1.2" equals "1.2.0". Returns a
// negative number, 0 or a positive number as `a` is older than, equal to or
// newer than `b`. A part that is not a number makes the version invalid.
int compareDottedVersions(const QString &a, const QString &b);

// True when every dot-separated part of `version` is a decimal number.
bool isDottedVersion(const QString &version);
