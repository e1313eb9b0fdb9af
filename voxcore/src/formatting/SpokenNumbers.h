#pragma once

#include "formatting/FormattingRules.h"

#include <QString>
#include <QStringList>

#include <optional>

// A number said in words, written in digits: "twenty three" -> "23", "two point five" -> "2.5",
// "one thousand nine hundred and ninety nine" -> "1999", the year "twenty twenty six" -> "2026".
struct SpokenNumber
{
    QString written;
    qsizetype length = 0; // words read
    bool isSmall = false; // a whole number below the rules' wordsBelow
};

// The number that starts at `at` of the lower-case `words`, as many words as belong to it;
// nothing when no number starts there.
std::optional<SpokenNumber> readSpokenNumber(const QStringList &words, qsizetype at, const FormattingRules &rules);
