#pragma once

#include <QString>

// Plain string order: Unicode scalar values of the canonically composed texts, not a
// locale-aware collation.
bool plainStringLess(const QString &a, const QString &b);
