// The formatting of recognized words into written text, over the built-in English rules: the
// rules one row each, the awkward cases, the options, a formatter fed growing partial results
// answering like a fresh one, and where the rules of a language are read from.

#include "formatting/TranscriptFormatter.h"

#include "OutputCapture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

FormattingRules englishRules()
{
    QFile file(QStringLiteral(":/voxcore/formatting/en.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the built-in English rules are missing");
    return *FormattingRules::fromJson(file.readAll());
}

QString formatted(const QString &recognized, const TranscriptFormatting &options = {})
{
    return TranscriptFormatter(englishRules(), options).format(recognized);
}

const QList<TextReplacement> someReplacements{
    {"sayline", "Sayline"},
    {"My Address", "12 Main Street, Springfield"},
    {"btw", "by the way"},
    {"iphone", "iPhone"},
    {"smiley face", ":-)"},
};

} // namespace

class TestTranscriptFormatter : public QObject
{
    Q_OBJECT
private slots:
    void writesTheRules_data()
    {
        QTest::addColumn<QString>("recognized");
        QTest::addColumn<QString>("written");
        const auto row = [](const char *name, const char *recognized, const char *written) {
            QTest::newRow(name) << QString::fromUtf8(recognized) << QString::fromUtf8(written);
        };
        // Spoken punctuation and layout.
        row("letter", "dear john comma thank you for the letter period", "Dear john, thank you for the letter.");
        row("full stop and question", "it works full stop does it question mark", "It works. Does it?");
        row("exclamation", "wow exclamation point great exclamation mark", "Wow! Great!");
        row("colon and semicolon", "note colon one semicolon two", "Note: one; two");
        row("dash and hyphen", "a well hyphen known dash and loved dash tool", "A well-known – and loved – tool");
        row("ellipsis", "well ellipsis maybe", "Well... maybe");
        row("quotes", "he said open quote hello close quote period", "He said \"hello\".");
        row("parentheses", "see open paren page two close paren", "See (page two)");
        row("new line", "dear anna comma new line thanks", "Dear anna,\nThanks");
        row("new paragraph", "end period new paragraph next", "End.\n\nNext");
        // Awkward cases.
        row("punctuation first", "comma and then we left", ", and then we left");
        row("two marks in a row", "really question mark exclamation mark", "Really?!");
        row("new line at the end", "thanks new line", "Thanks\n");
        row("only punctuation", "period", ".");
        row("numbers next to punctuation", "call me at eleven comma ok question mark", "Call me at 11, ok?");
        row("number before a period", "we were twenty three period", "We were 23.");
        // Command words as the recognizer mishears them; one that is an ordinary word only
        // before a pause (the end of an utterance).
        row("misheard comma", "call me tomorrow com is that fine", "Call me tomorrow, is that fine");
        row("misheard comma before a pause", "call me tomorrow come in\nis that fine", "Call me tomorrow, is that fine");
        row("ordinary words within an utterance", "please come in now or you're gonna meet a con man",
            "Please come in now or you're gonna meet a con man");
        row("misheard exclamation mark", "wow explanation mark", "Wow!");
        row("misheard new line before a pause", "dear anna no line\nthanks", "Dear anna\nThanks");
        // Capitals.
        row("i and its contractions", "yes i'm sure i'll go and i think i've won", "Yes I'm sure I'll go and I think I've won");
        row("sentences", "one period two question mark three", "One. Two? Three");
        row("capital after an opening quote", "period open quote yes close quote", ". \"Yes\"");
        // Numbers.
        row("tens and ones", "twenty three", "23");
        row("hundreds with and", "four hundred and five", "405");
        row("decimal", "two point five", "2.5");
        row("decimal below one", "zero point zero five", "0.05");
        row("thousands", "one thousand nine hundred and ninety nine", "1999");
        row("grouped from ten thousand", "twenty five thousand three hundred", "25,300");
        row("millions", "two million five hundred thousand", "2,500,000");
        row("year", "in twenty twenty six", "In 2026");
        row("year of the last century", "nineteen ninety nine", "1999");
        row("year in the thousands", "two thousand and twenty six", "2026");
        row("below ten stays a word", "i have three cats and zero dogs", "I have three cats and zero dogs");
        row("ten and up in digits", "ten cats", "10 cats");
        row("below ten with percent", "five percent", "5%");
        row("percent in two words", "forty per cent off", "40% off");
        row("below ten with a unit", "nine kilometers", "9 kilometers");
        row("separate numbers in a row", "one two three", "One two three");
        row("and between numbers", "twenty and thirty", "20 and 30");
        row("a hanging and", "three hundred and", "300 and");
        row("point without digits", "the point is twenty point", "The point is 20 point");
        row("two numbers in a row", "eleven thirty", "11 30");
        row("a time", "call me at eleven thirty period", "Call me at 11:30.");
        row("a time with o", "back by nine o five", "Back by 9:05");
        row("a time with a unit after", "at ten fifteen pm", "At 10:15 pm");
        row("no time past fifty nine minutes", "at eleven sixty", "At 11 60");
        row("an amount after at is no time", "at eleven twenty thousand", "At 11 20,000");
        row("a web address", "write to example dot com period", "Write to example.com.");
        // Utterances join with a space; "scratch that" removes the last one.
        row("utterances", "hello world\nhow are you", "Hello world how are you");
        row("scratch the utterance before", "hello there\nscratch that\ngood morning", "Good morning");
        row("scratch within an utterance", "hello there scratch that good morning", "Good morning");
        row("scratch with nothing before", "scratch that", "");
        row("scratch at the start", "scratch that hello", "Hello");
        row("scratch keeps earlier sentences", "first period\nsecond thing\nscratch that", "First.");
        row("scratch twice", "one period\ntwo period\nscratch that\nscratch that\nthree", "Three");
        row("capital after a scratched sentence", "hello period\nbad words\nscratch that\ngood", "Hello. Good");
        row("scratch in the last utterance", "hello period\nbad words scratch that fine", "Hello. Fine");
        row("blank", "", "");
    }
    void writesTheRules()
    {
        QFETCH(QString, recognized);
        QFETCH(QString, written);
        QCOMPARE(formatted(recognized), written);
    }

    void appliesTheUsersReplacements_data()
    {
        QTest::addColumn<QString>("recognized");
        QTest::addColumn<QString>("written");
        QTest::newRow("proper noun, any case") << "i use SayLine daily" << "I use Sayline daily";
        QTest::newRow("phrase with punctuation") << "send it to my address period" << "Send it to 12 Main Street, Springfield.";
        QTest::newRow("capital at a sentence start") << "btw it works" << "By the way it works";
        QTest::newRow("own capitals kept") << "iphone period" << "iPhone.";
        QTest::newRow("written as punctuation") << "smiley face period" << ":-).";
        QTest::newRow("whole words only") << "saylines" << "Saylines";
        QTest::newRow("not across a mark") << "my comma address" << "My, address";
    }
    void appliesTheUsersReplacements()
    {
        QFETCH(QString, recognized);
        QFETCH(QString, written);
        TranscriptFormatting options;
        options.replacements = someReplacements;
        QCOMPARE(formatted(recognized, options), written);
    }

    void eachRuleCanBeSwitchedOff_data()
    {
        QTest::addColumn<bool>("punctuation");
        QTest::addColumn<bool>("capitals");
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<QString>("written");
        QTest::newRow("all on") << true << true << true << "A trial. Of 20 days. I agree";
        QTest::newRow("no spoken punctuation") << false << true << true << "A trial period of 20 days period I agree";
        QTest::newRow("no capitals") << true << false << true << "a trial. of 20 days. i agree";
        QTest::newRow("no numbers") << true << true << false << "A trial. Of twenty days. I agree";
        QTest::newRow("all off") << false << false << false << "a trial period of twenty days period i agree";
    }
    void eachRuleCanBeSwitchedOff()
    {
        QFETCH(bool, punctuation);
        QFETCH(bool, capitals);
        QFETCH(bool, numbers);
        QFETCH(QString, written);
        TranscriptFormatting options;
        options.spokenPunctuation = punctuation;
        options.capitals = capitals;
        options.numbers = numbers;
        // The last utterance is scratched whatever the switches say.
        QCOMPARE(formatted("a trial period of twenty days period i agree\nbad words\nscratch that", options), written);
    }

    void partialResultsAnswerLikeAFreshFormatter()
    {
        // A dictation as the recognizer reports it: every partial result, word by word, its
        // utterances closing one after the other, with scratches reaching into finished ones.
        const QStringList utterances{
            "dear john comma", "thank you for the letter period", "i will call you at eleven",
            "scratch that", "i will call you tomorrow at eleven comma is that fine question mark",
            "twenty twenty six will be a good year new line", "bad idea scratch that good one", "scratch that",
            "four hundred and five percent"};
        TranscriptFormatting options;
        options.replacements = someReplacements;
        TranscriptFormatter incremental(englishRules(), options);
        QStringList finished;
        for (const QString &utterance : utterances) {
            QStringList hypothesis;
            for (const QString &word : utterance.split(' ')) {
                hypothesis.append(word);
                const QString partial = (finished + QStringList{hypothesis.join(' ')}).join('\n');
                QCOMPARE(incremental.format(partial), formatted(partial, options));
            }
            finished.append(utterance);
        }
        const QString final = finished.join('\n');
        QCOMPARE(incremental.format(final),
                 QStringLiteral("Dear john, thank you for the letter. I will call you tomorrow at 11, is that fine? "
                                "2026 will be a good year\n405%"));
        // A new transcription that is no continuation starts afresh.
        QCOMPARE(incremental.format("hello"), QStringLiteral("Hello"));
    }

    void rulesComeFromTheLanguagesDataFile()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        qputenv("XDG_DATA_DIRS", (data.path() + "/none").toUtf8());
        QDir(data.path()).mkpath("sayline/formatting");
        const auto writeFile = [&](const char *name, const QByteArray &content) {
            QFile file(data.path() + "/sayline/formatting/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        };
        const auto format = [](const char *locale, const QString &recognized) {
            return TranscriptFormatter(FormattingRules::forLocale(Locale(locale)), {}).format(recognized);
        };
        // English is built in.
        QCOMPARE(format("en-US", "hello comma world"), QStringLiteral("Hello, world"));
        // Another language is a file of its own.
        writeFile("de.json", R"({"marks": [{"say": ["komma"], "write": ","}], "numbers": {"tens": {"zwanzig": 20}}})");
        QCOMPARE(format("de-DE", "hallo komma zwanzig"), QStringLiteral("Hallo, 20"));
        // No rules for the language: capitals only.
        QCOMPARE(format("fr-FR", "bonjour virgule"), QStringLiteral("Bonjour virgule"));
        // The user's file before the built-in one; a damaged one is skipped with a log line.
        writeFile("en.json", R"({"marks": [{"say": ["stop"], "write": ".", "endsSentence": true}]})");
        QCOMPARE(format("en-GB", "go stop now comma"), QStringLiteral("Go. Now comma"));
        writeFile("en.json", "{ damaged");
        OutputCapture output;
        QCOMPARE(format("en-US", "go stop now comma"), QStringLiteral("Go stop now,"));
        QVERIFY2(output.text().contains("Ignoring the formatting rules in " + data.path() + "/sayline/formatting/en.json"),
                 qPrintable(output.text()));
    }
};

QTEST_GUILESS_MAIN(TestTranscriptFormatter)
#include "test_transcript_formatter.moc"
