#pragma once

#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

// Word error rate of a hypothesis against a reference: (substitutions +
// deletions + insertions) / reference words, by word-level edit distance.
// Case and punctuation are ignored, and a few spellings the recognizer's
// dictionary prefers (abbreviations, joined compounds) are treated as the
// words they stand for.
inline QStringList normalizedWords(const QString &text)
{
    QString cleaned;
    for (const QChar c : text.toLower())
        cleaned += (c.isLetterOrNumber() || c == u'\'') ? c : u' ';
    QStringList words;
    for (const QString &word : cleaned.split(u' ', Qt::SkipEmptyParts)) {
        if (word == u"mr")
            words << QStringLiteral("mister");
        else if (word == u"mrs")
            words << QStringLiteral("missus");
        else if (word == u"goodnight")
            words << QStringLiteral("good") << QStringLiteral("night");
        else if (word == u"turnoff")
            words << QStringLiteral("turn") << QStringLiteral("off");
        else
            words << word;
    }
    return words;
}

inline double wordErrorRate(const QString &reference, const QString &hypothesis)
{
    const QStringList ref = normalizedWords(reference);
    const QStringList hyp = normalizedWords(hypothesis);
    if (ref.isEmpty())
        return hyp.isEmpty() ? 0.0 : 1.0;
    std::vector<int> previous(hyp.size() + 1), current(hyp.size() + 1);
    for (int j = 0; j <= hyp.size(); ++j)
        previous[j] = j;
    for (int i = 1; i <= ref.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= hyp.size(); ++j) {
            const int substitution = previous[j - 1] + (ref[i - 1] == hyp[j - 1] ? 0 : 1);
            current[j] = std::min({substitution, previous[j] + 1, current[j - 1] + 1});
        }
        std::swap(previous, current);
    }
    return double(previous[hyp.size()]) / ref.size();
}

// Where the first sentence of a live transcription settled: the result that reads most like
// `first` among those the final transcript begins with; -1 when there is none.
inline qsizetype settledFirstSentence(const QStringList &results, const QString &transcript, const QString &first)
{
    qsizetype settled = -1;
    for (qsizetype i = 0; i < results.size(); ++i) {
        if ((transcript + u' ').startsWith(results[i] + u' ')
            && (settled < 0 || wordErrorRate(first, results[i]) < wordErrorRate(first, results[settled])))
            settled = i;
    }
    return settled;
}
