#pragma once

#include "formatting/FormattingRules.h"

#include <voxcore/TranscriptFormatting.h>

#include <QString>
#include <QStringList>

#include <vector>

// Turns the recognizer's words into written text (see TranscriptFormatting). The recognized
// transcript is a series of utterances, one per line: "scratch that" removes the words before
// it in its utterance or, when there are none, the utterance before.
//
// format() is a pure function of the transcript, the rules and the options; the object only
// remembers the finished utterances (all lines but the last) of the previous call, so that a
// transcript that grows at its end costs only the formatting of its new utterances.
class TranscriptFormatter
{
public:
    TranscriptFormatter(FormattingRules rules, TranscriptFormatting options);

    QString format(const QString &recognized);

    // Written state at the end of some text.
    struct State
    {
        bool atStart = true;        // nothing written yet
        bool spaceAfter = false;    // the last piece takes a space after it
        bool capitalizeNext = true; // a sentence starts
    };

private:
    struct Piece;
    // One utterance, written: its text (with the space that joins it to what precedes),
    // where it ends in the written whole, and the state after it.
    struct Segment
    {
        qsizetype end = 0;
        State state;
    };
    // An utterance's pieces, and how many earlier utterances its leading "scratch that"s remove.
    struct Utterance
    {
        std::vector<Piece> pieces;
        int scratchedBefore = 0;
    };

    Utterance read(QStringView line) const;
    void replace(std::vector<Piece> &pieces) const;
    QString write(const std::vector<Piece> &pieces, State &state) const;
    void addFinished(QStringView line);

    FormattingRules m_rules;
    TranscriptFormatting m_options;
    PhraseTable<QString> m_replacements;

    QString m_finishedRecognized; // the finished utterances as recognized, each ending in '\n'
    QString m_finishedWritten;    // what they came to, written
    std::vector<Segment> m_segments; // the finished utterances still standing, in order
};
