// Formatting of the recognizer's words into written text, as the manager runs it on every
// partial result: the time per partial result once the transcript has 10, 1,000 and 10,000
// words (dictation with spoken punctuation and numbers, one utterance per pause), and, for
// comparison, formatting the whole 10,000-word transcript afresh.

#include "BenchSupport.h"

#include "formatting/TranscriptFormatter.h"

#include <QCoreApplication>
#include <QStringList>

#include <chrono>
#include <cstdio>

namespace {

// Utterances as the recognizer reports them, cycled to any length.
const QStringList kUtterances{
    "dear john comma thank you for the letter period",
    "i will call you tomorrow at eleven comma is that fine question mark",
    "the meeting is on the twenty third at four hundred and five main street",
    "we sold twenty five percent more than in twenty twenty five exclamation mark",
    "please bring two point five kilos of apples new line",
    "scratch that",
    "see you soon new paragraph"};

// The recognized transcript of `words` words, and where each word ends in it: a partial result
// is the transcript up to the end of a word.
QString transcriptOf(int words, QList<qsizetype> &wordEnds)
{
    QString text;
    int count = 0;
    for (int u = 0; count < words; ++u) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        for (const QString &word : kUtterances[u % kUtterances.size()].split(QLatin1Char(' '))) {
            if (count == words)
                break;
            if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
                text += QLatin1Char(' ');
            text += word;
            wordEnds.append(text.size());
            ++count;
        }
    }
    return text;
}

TranscriptFormatting options()
{
    TranscriptFormatting formatting;
    formatting.replacements = {{"john", "John"}, {"main street", "Main Street"}, {"my address", "12 Main Street"}};
    return formatting;
}

// Microseconds per partial result over the last `timed` partial results of a `words`-word
// dictation; the earlier ones only warm the formatter up, as the dictation did.
void perPartial(int words, int timed)
{
    QList<qsizetype> wordEnds;
    const QString transcript = transcriptOf(words, wordEnds);
    TranscriptFormatter formatter(FormattingRules::forLocale(Locale("en-US")), options());
    QList<double> micros;
    qsizetype written = 0;
    for (qsizetype k = 0; k < wordEnds.size(); ++k) {
        const QString partial = transcript.left(wordEnds[k]);
        const auto start = std::chrono::steady_clock::now();
        written += formatter.format(partial).size();
        if (k >= wordEnds.size() - timed)
            micros.append(bench::secondsSince(start) * 1e6);
    }
    std::printf("%d words: %lld partial results timed, median %.1f us, max %.1f us (%lld characters written)\n",
                words, static_cast<long long>(micros.size()), bench::median(micros),
                *std::max_element(micros.begin(), micros.end()), static_cast<long long>(written));
    std::printf("FIGURE format_partial_%d=%.1f us\n", words, bench::median(micros));
}

void wholeAfresh(int words)
{
    QList<qsizetype> wordEnds;
    const QString transcript = transcriptOf(words, wordEnds);
    const FormattingRules rules = FormattingRules::forLocale(Locale("en-US"));
    QList<double> micros;
    for (int run = 0; run < 20; ++run) {
        TranscriptFormatter formatter(rules, options());
        const auto start = std::chrono::steady_clock::now();
        formatter.format(transcript);
        micros.append(bench::secondsSince(start) * 1e6);
    }
    std::printf("%d words formatted afresh: median %.0f us\n", words, bench::median(micros));
    std::printf("FIGURE format_whole_%d=%.0f us\n", words, bench::median(micros));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    perPartial(10, 10);
    perPartial(1000, 200);
    perPartial(10000, 200);
    wholeAfresh(10000);
    return 0;
}
