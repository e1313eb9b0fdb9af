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

// A time of day said as hour and minutes right after one of the rules' time words: "at eleven
// thirty" -> "11:30", "by nine o five" -> "9:05" (hours 1 to 12); nothing otherwise.
std::optional<SpokenNumber> readSpokenTime(const QStringList &words, qsizetype at, const FormattingRules &rules);

// The number that starts at `at` of the lower-case `words`, as many words as belong to it;
// nothing when no number starts there.
std::optional<SpokenNumber> readSpokenNumber(const QStringList &words, qsizetype at, const FormattingRules &rules);
