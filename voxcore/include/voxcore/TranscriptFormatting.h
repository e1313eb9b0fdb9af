#pragma once

#include <QList>
#include <QString>

// A spoken phrase and the text written in its place (whole words, any case).
struct TextReplacement
{
    QString spoken;
    QString written;
    friend bool operator==(const TextReplacement &, const TextReplacement &) = default;
};

// How the recognizer's words become written text: spoken punctuation and layout ("comma",
// "new line"), capitals at the start of sentences and for "I", numbers in digits, then the
// user's replacements. "scratch that" always removes the phrase spoken before it. The words
// for punctuation and numbers come from a data file per language (formatting/<language>.json
// in the sayline folder of each XDG data directory, English built in).
struct TranscriptFormatting
{
    bool spokenPunctuation = true;
    bool capitals = true;
    bool numbers = true;
    QList<TextReplacement> replacements;
    friend bool operator==(const TranscriptFormatting &, const TranscriptFormatting &) = default;
};
