#include "formatting/SpokenNumbers.h"

namespace {

struct Reader
{
    const QStringList &words;
    const FormattingRules &rules;

    const NumberWord *at(qsizetype index) const
    {
        if (index >= words.size())
            return nullptr;
        const auto found = rules.numberWords.constFind(words[index]);
        return found == rules.numberWords.cend() ? nullptr : &*found;
    }
    bool is(qsizetype index, NumberWord::Kind kind) const
    {
        const NumberWord *word = at(index);
        return word && word->kind == kind;
    }
    bool startsGroup(qsizetype index) const
    {
        return is(index, NumberWord::ones) || is(index, NumberWord::teen) || is(index, NumberWord::tens);
    }

    // "nineteen", "twenty", "twenty six": a value from 10 to 99 and its length in words.
    std::optional<std::pair<std::int64_t, qsizetype>> twoDigits(qsizetype index) const
    {
        const NumberWord *word = at(index);
        if (!word)
            return std::nullopt;
        if (word->kind == NumberWord::teen)
            return std::pair{word->value, qsizetype(1)};
        if (word->kind != NumberWord::tens)
            return std::nullopt;
        const NumberWord *next = at(index + 1);
        if (next && next->kind == NumberWord::ones && next->value > 0)
            return std::pair{word->value + next->value, qsizetype(2)};
        return std::pair{word->value, qsizetype(1)};
    }

    // A year said in two halves ("nineteen ninety nine", "twenty twenty six"). Only halves from
    // 13 to 29 start one, so that times such as "eleven thirty" are not read as years.
    std::optional<SpokenNumber> year(qsizetype index) const
    {
        const auto first = twoDigits(index);
        if (!first || first->first < 13 || first->first > 29)
            return std::nullopt;
        const auto second = twoDigits(index + first->second);
        if (!second)
            return std::nullopt;
        const qsizetype end = index + first->second + second->second;
        const NumberWord *after = at(end);
        if (after && after->kind != NumberWord::ones && after->kind != NumberWord::teen && after->kind != NumberWord::tens)
            return std::nullopt; // "twenty twenty thousand" is no year
        return SpokenNumber{QString::number(first->first * 100 + second->first), end - index, false};
    }

    std::optional<SpokenNumber> time(qsizetype index) const
    {
        const NumberWord *hour = at(index);
        if (index == 0 || !rules.timeAfter.contains(words[index - 1]) || !hour
            || (hour->kind != NumberWord::ones && hour->kind != NumberWord::teen) || hour->value < 1 || hour->value > 12)
            return std::nullopt;
        qsizetype next = index + 1;
        std::optional<std::pair<std::int64_t, qsizetype>> minutes;
        if (next < words.size() && rules.zeroBeforeMinutes.contains(words[next])) {
            if (const NumberWord *digit = at(next + 1); digit && digit->kind == NumberWord::ones && digit->value > 0)
                minutes = std::pair{digit->value, qsizetype(2)};
        } else {
            minutes = twoDigits(next);
        }
        if (!minutes || minutes->first >= 60)
            return std::nullopt;
        const qsizetype end = next + minutes->second;
        if (at(end)) // more number words: not a time ("at eleven twenty thousand")
            return std::nullopt;
        return SpokenNumber{QString::number(hour->value) + rules.timeSeparator
                                + QString::number(minutes->first).rightJustified(2, QLatin1Char('0')),
                            end - index, false};
    }

    QString grouped(std::int64_t value) const
    {
        QString digits = QString::number(value);
        if (value < rules.groupFrom || rules.groupSeparator.isEmpty())
            return digits;
        for (qsizetype position = digits.size() - 3; position > 0; position -= 3)
            digits.insert(position, rules.groupSeparator);
        return digits;
    }

    // A cardinal number: groups below a thousand, each with its scale word, then maybe a
    // decimal part.
    std::optional<SpokenNumber> cardinal(qsizetype start) const
    {
        enum Last { nothing, ones, teen, tens, hundred, scale, conjunction } last = nothing;
        std::int64_t total = 0, group = 0, lastScale = INT64_MAX;
        qsizetype index = start;
        for (;; ++index) {
            const NumberWord *word = at(index);
            if (!word)
                break;
            const bool groupMayGrow = last == nothing || last == hundred || last == scale || last == conjunction;
            if (word->kind == NumberWord::ones && word->value == 0) {
                // "zero" stands alone (its decimals may follow).
                if (last == nothing) {
                    last = ones;
                    ++index;
                }
                break;
            }
            if (word->kind == NumberWord::ones && (groupMayGrow || last == tens)) {
                group += word->value;
                last = ones;
            } else if ((word->kind == NumberWord::teen || word->kind == NumberWord::tens) && groupMayGrow) {
                group += word->value;
                last = word->kind == NumberWord::teen ? teen : tens;
            } else if (word->kind == NumberWord::hundred && (last == ones || last == teen || last == tens)
                       && group > 0 && group < 100) {
                group *= 100;
                last = hundred;
            } else if (word->kind == NumberWord::scale && last != nothing && last != conjunction && group > 0
                       && word->value < lastScale) {
                total += group * word->value;
                group = 0;
                lastScale = word->value;
                last = scale;
            } else if (word->kind == NumberWord::conjunction && (last == hundred || last == scale)
                       && startsGroup(index + 1)) {
                last = conjunction;
            } else {
                break;
            }
        }
        if (last == nothing)
            return std::nullopt;
        const std::int64_t value = total + group;
        const qsizetype wholeLength = index - start;
        QString written = grouped(value);
        // "point" and single digits: "two point five", "zero point zero one".
        if (is(index, NumberWord::point)) {
            QString decimals;
            qsizetype next = index + 1;
            for (const NumberWord *digit = at(next); digit && digit->kind == NumberWord::ones; digit = at(++next))
                decimals += QString::number(digit->value);
            if (!decimals.isEmpty())
                return SpokenNumber{written + rules.decimalSeparator + decimals, next - start, false};
        }
        return SpokenNumber{written, wholeLength, wholeLength == 1 && value < rules.wordsBelow};
    }
};

} // namespace

std::optional<SpokenNumber> readSpokenTime(const QStringList &words, qsizetype at, const FormattingRules &rules)
{
    return Reader{words, rules}.time(at);
}

std::optional<SpokenNumber> readSpokenNumber(const QStringList &words, qsizetype at, const FormattingRules &rules)
{
    const Reader reader{words, rules};
    if (std::optional<SpokenNumber> year = reader.year(at))
        return year;
    return reader.cardinal(at);
}
