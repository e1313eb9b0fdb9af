#pragma once

#include "formatting/PhraseTable.h"

#include <voxcore/Locale.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// A written mark and how it sits between words: "," has no space before it, "(" none after.
struct WrittenMark
{
    QString text;
    bool spaceBefore = true;
    bool spaceAfter = true;
    bool endsSentence = false; // the next word starts with a capital
};

// What a spoken command does.
struct SpokenCommand
{
    enum Kind { mark, scratch } kind = mark;
    WrittenMark written;
    // A mishearing that is also an ordinary word ("come" for "comma") counts only at the end
    // of an utterance, where the speaker paused.
    bool onlyBeforePause = false;
};

// How number words combine, English style ("four hundred and five", "two point five").
struct NumberWord
{
    enum Kind { ones, teen, tens, hundred, scale, conjunction, point } kind;
    std::int64_t value = 0;
};

// One language's words for punctuation, layout, numbers and capitals, read from its data file.
struct FormattingRules
{
    PhraseTable<SpokenCommand> commands;      // spoken punctuation and "scratch that"
    QHash<QString, QString> capitalized;      // "i" -> "I"
    QHash<QString, NumberWord> numberWords;
    PhraseTable<WrittenMark> numberSymbols;   // "percent" -> "%", right after a number
    QHash<QString, bool> units;               // a number before one is written in digits
    QString decimalSeparator = QStringLiteral(".");
    QString groupSeparator = QStringLiteral(",");
    std::int64_t groupFrom = 10000;           // smaller numbers are written without groups
    std::int64_t wordsBelow = 10;             // smaller whole numbers stay words, unless a unit follows
    // A time of day: hour and minutes after one of these words ("at eleven thirty" -> "at 11:30").
    QHash<QString, bool> timeAfter;
    QHash<QString, bool> zeroBeforeMinutes;   // "o" in "nine o five"
    QString timeSeparator = QStringLiteral(":");

    // The rules of a data file; nothing when it is not a JSON object. Parts it lacks stay empty.
    static std::optional<FormattingRules> fromJson(const QByteArray &json);
    // The language of the locale ("en" for "en-US"): its file in the XDG data directories
    // (sayline/formatting/<language>.json, the user's first), else the built-in one; empty
    // rules for a language without either. A damaged file is skipped with a log line.
    static FormattingRules forLocale(const Locale &locale);
};
