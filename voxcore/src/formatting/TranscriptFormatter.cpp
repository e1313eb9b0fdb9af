#include "formatting/TranscriptFormatter.h"

#include "formatting/SpokenNumbers.h"

struct TranscriptFormatter::Piece
{
    enum Kind { word, number, mark, replacement } kind = word;
    QString text;
    bool spaceBefore = true;
    bool spaceAfter = true;
    bool endsSentence = false;

    static Piece ofMark(const WrittenMark &mark)
    {
        return Piece{Piece::mark, mark.text, mark.spaceBefore, mark.spaceAfter, mark.endsSentence};
    }
};

namespace {

// A replacement written in lower case ("by the way") starts a sentence with a capital; one
// with capitals of its own ("iPhone") is kept as the user wrote it.
bool mayCapitalize(const QString &text)
{
    return !text.isEmpty() && text.front().isLower() && text == text.toLower();
}

QString withCapital(QString text)
{
    if (!text.isEmpty())
        text.front() = text.front().toUpper();
    return text;
}

} // namespace

TranscriptFormatter::TranscriptFormatter(FormattingRules rules, TranscriptFormatting options)
    : m_rules(std::move(rules)), m_options(std::move(options))
{
    for (const TextReplacement &replacement : std::as_const(m_options.replacements))
        m_replacements.add(replacement.spoken, replacement.written);
}

TranscriptFormatter::Utterance TranscriptFormatter::read(QStringView line) const
{
    const QStringList recognized = line.toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList words;
    words.reserve(recognized.size());
    for (const QString &word : recognized)
        words.append(word.toLower());

    Utterance utterance;
    std::vector<Piece> &pieces = utterance.pieces;
    for (qsizetype at = 0; at < words.size();) {
        const auto command = m_rules.commands.match(words, at);
        if (command.value && !(command.value->onlyBeforePause && at + command.length < words.size())) {
            if (command.value->kind == SpokenCommand::scratch) {
                if (pieces.empty())
                    ++utterance.scratchedBefore;
                pieces.clear();
                at += command.length;
                continue;
            }
            if (m_options.spokenPunctuation) {
                pieces.push_back(Piece::ofMark(command.value->written));
                at += command.length;
                continue;
            }
        }
        if (m_options.numbers) {
            if (const std::optional<SpokenNumber> time = readSpokenTime(words, at, m_rules)) {
                pieces.push_back(Piece{Piece::number, time->written});
                at += time->length;
                continue;
            }
            if (const std::optional<SpokenNumber> number = readSpokenNumber(words, at, m_rules)) {
                qsizetype after = at + number->length;
                const auto symbol = after < words.size() ? m_rules.numberSymbols.match(words, after)
                                                         : PhraseTable<WrittenMark>::Match{};
                const bool unitFollows = after < words.size() && m_rules.units.contains(words[after]);
                if (!number->isSmall || symbol.value || unitFollows) {
                    pieces.push_back(Piece{Piece::number, number->written});
                    if (symbol.value) {
                        pieces.push_back(Piece::ofMark(*symbol.value));
                        after += symbol.length;
                    }
                    at = after;
                    continue;
                }
            }
        }
        pieces.push_back(Piece{Piece::word, recognized[at]});
        ++at;
    }
    if (!m_replacements.isEmpty())
        replace(pieces);
    return utterance;
}

// The user's phrases, matched on the written words and numbers, never across a mark.
void TranscriptFormatter::replace(std::vector<Piece> &pieces) const
{
    QStringList keys;
    keys.reserve(qsizetype(pieces.size()));
    for (const Piece &piece : pieces)
        keys.append(piece.kind == Piece::mark ? QString() : piece.text.toLower());
    std::vector<Piece> replaced;
    replaced.reserve(pieces.size());
    for (qsizetype at = 0; at < keys.size();) {
        const auto match = keys[at].isEmpty() ? PhraseTable<QString>::Match{} : m_replacements.match(keys, at);
        if (match.value) {
            replaced.push_back(Piece{Piece::replacement, *match.value});
            at += match.length;
        } else {
            replaced.push_back(std::move(pieces[std::size_t(at)]));
            ++at;
        }
    }
    pieces = std::move(replaced);
}

QString TranscriptFormatter::write(const std::vector<Piece> &pieces, State &state) const
{
    QString written;
    for (const Piece &piece : pieces) {
        QString text = piece.text;
        if (piece.kind == Piece::mark) {
            // An opening quote or parenthesis keeps a sentence's start; ", and" continues one.
            const bool opens = piece.spaceBefore && !piece.spaceAfter;
            if (piece.endsSentence)
                state.capitalizeNext = true;
            else if (!opens)
                state.capitalizeNext = false;
        } else {
            if (m_options.capitals) {
                if (piece.kind == Piece::word)
                    text = m_rules.capitalized.value(text.toLower(), text);
                if (state.capitalizeNext && (piece.kind == Piece::word || mayCapitalize(text)))
                    text = withCapital(std::move(text));
            }
            state.capitalizeNext = false;
        }
        if (!state.atStart && state.spaceAfter && piece.spaceBefore)
            written += QLatin1Char(' ');
        written += text;
        state.atStart = false;
        state.spaceAfter = piece.spaceAfter;
    }
    return written;
}

void TranscriptFormatter::addFinished(QStringView line)
{
    const Utterance utterance = read(line);
    for (int scratched = 0; scratched < utterance.scratchedBefore && !m_segments.empty(); ++scratched)
        m_segments.pop_back();
    State state = m_segments.empty() ? State{} : m_segments.back().state;
    m_finishedWritten.truncate(m_segments.empty() ? 0 : m_segments.back().end);
    if (utterance.pieces.empty())
        return;
    m_finishedWritten += write(utterance.pieces, state);
    m_segments.push_back(Segment{m_finishedWritten.size(), state});
}

QString TranscriptFormatter::format(const QString &recognized)
{
    const qsizetype lastBreak = recognized.lastIndexOf(QLatin1Char('\n'));
    const QStringView finished = QStringView(recognized).left(lastBreak + 1);
    if (!finished.startsWith(m_finishedRecognized)) {
        m_finishedRecognized.clear();
        m_finishedWritten.clear();
        m_segments.clear();
    }
    for (QStringView added = finished.mid(m_finishedRecognized.size()); !added.isEmpty();) {
        const qsizetype end = added.indexOf(QLatin1Char('\n'));
        addFinished(added.left(end));
        m_finishedRecognized += added.left(end + 1);
        added = added.mid(end + 1);
    }

    const Utterance current = read(QStringView(recognized).mid(lastBreak + 1));
    const std::size_t standing = m_segments.size() - std::min(m_segments.size(), std::size_t(current.scratchedBefore));
    State state = standing ? m_segments[standing - 1].state : State{};
    const qsizetype kept = standing ? m_segments[standing - 1].end : 0;
    const QString tail = write(current.pieces, state);
    QString whole;
    whole.reserve(kept + tail.size());
    whole.append(QStringView(m_finishedWritten).left(kept)).append(tail);
    return whole;
}
