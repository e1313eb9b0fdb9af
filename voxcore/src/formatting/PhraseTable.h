#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// Phrases of one or more lower-case words, each with a value, matched at a position of a word
// list; the longest phrase there wins ("new paragraph" before "new").
template <typename Value>
class PhraseTable
{
public:
    struct Match
    {
        const Value *value = nullptr;
        qsizetype length = 0;
    };

    void add(const QString &phrase, Value value)
    {
        const QStringList words = phrase.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            return;
        QList<Entry> &entries = m_byFirstWord[words.first()];
        entries.append(Entry{words, std::move(value)});
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry &a, const Entry &b) { return a.words.size() > b.words.size(); });
    }

    bool isEmpty() const { return m_byFirstWord.isEmpty(); }

    // `words` are lower case.
    Match match(const QStringList &words, qsizetype at) const
    {
        const auto found = m_byFirstWord.constFind(words[at]);
        if (found == m_byFirstWord.cend())
            return {};
        for (const Entry &entry : *found) {
            if (at + entry.words.size() > words.size())
                continue;
            if (std::equal(entry.words.cbegin() + 1, entry.words.cend(), words.cbegin() + at + 1))
                return {&entry.value, entry.words.size()};
        }
        return {};
    }

private:
    struct Entry
    {
        QStringList words;
        Value value;
    };
    QHash<QString, QList<Entry>> m_byFirstWord;
};
