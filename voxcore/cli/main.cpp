// voxcore-cli: dictation from the command line on Voxcore's public interface.

#include "Commands.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const char *const kUsage =
    "usage:\n"
    "  voxcore-cli transcribe FILE [--language CODE] [--no-profile] [--raw]\n"
    "                                                 print the transcript of an audio file\n"
    "  voxcore-cli listen [--language CODE] [--no-profile] [--raw] [--input NAME] [--until-silence [--silence SECONDS]]\n"
    "                     [--seconds N]\n"
    "                                                 print each partial transcript of the microphone on\n"
    "                                                 its own line, and the final one when stopped (Ctrl-C,\n"
    "                                                 end of speech, or after N seconds)\n"
    "  voxcore-cli record FILE --seconds N [--input NAME]\n"
    "                                                 record the microphone to a 16-bit mono 44100 Hz WAV\n"
    "  voxcore-cli inputs                            list the sound server's inputs (NAME, a tab, description)\n"
    "  voxcore-cli languages                         list the recognition languages\n"
    "  voxcore-cli adapt --language CODE --prompts FILE --recordings DIR\n"
    "                                                 train the language's voice profile: line N of FILE\n"
    "                                                 read in DIR/N.wav; transcribe and listen then use\n"
    "                                                 it (--no-profile: the stock model)\n"
    "Transcripts are written text (spoken punctuation such as \"comma\" and \"new line\", capitals,\n"
    "numbers in digits); --raw prints the recognizer's words unchanged.\n";

int usageError(const QString &problem)
{
    std::fprintf(stderr, "voxcore-cli: %s\n%s", problem.toUtf8().constData(), kUsage);
    return 2;
}

// Options after the command: "--name value" pairs, flags, and positional arguments.
struct Arguments
{
    QStringList positional;
    QMap<QString, QString> values;
    QStringList flags;
};

std::optional<Arguments> parse(const QStringList &words, const QStringList &valueOptions, const QStringList &flagOptions,
                               QString &problem)
{
    Arguments arguments;
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (valueOptions.contains(word)) {
            if (i + 1 >= words.size()) {
                problem = word + " needs a value";
                return std::nullopt;
            }
            arguments.values.insert(word, words[++i]);
        } else if (flagOptions.contains(word)) {
            arguments.flags.append(word);
        } else if (word.startsWith("--")) {
            problem = "unknown option " + word;
            return std::nullopt;
        } else {
            arguments.positional.append(word);
        }
    }
    return arguments;
}

std::optional<double> positiveSeconds(const Arguments &arguments, const QString &option, QString &problem)
{
    if (!arguments.values.contains(option))
        return std::nullopt;
    bool ok = false;
    const double seconds = arguments.values.value(option).toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > 24 * 3600) {
        problem = option + " needs a positive number of seconds";
        return std::nullopt;
    }
    return seconds;
}

std::optional<QString> language(const Arguments &arguments)
{
    if (!arguments.values.contains("--language"))
        return std::nullopt;
    return arguments.values.value("--language");
}

QCoro::Task<> runAndExit(std::function<QCoro::Task<int>()> command)
{
    auto running = command();
    const int status = co_await running;
    QCoreApplication::exit(status);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList words = app.arguments().mid(1);
    if (words.isEmpty() || words.first() == "--help" || words.first() == "-h") {
        std::fputs(kUsage, words.isEmpty() ? stderr : stdout);
        return words.isEmpty() ? 2 : 0;
    }
    const QString command = words.takeFirst();
    QString problem;
    std::function<QCoro::Task<int>()> run;

    if (command == "transcribe") {
        const auto arguments = parse(words, {"--language"}, {"--no-profile", "--raw"}, problem);
        if (!arguments)
            return usageError(problem);
        if (arguments->positional.size() != 1)
            return usageError("transcribe needs exactly one FILE");
        run = [file = arguments->positional.first(), code = language(*arguments),
               profile = !arguments->flags.contains("--no-profile"), raw = arguments->flags.contains("--raw")] {
            return commands::transcribe(file, code, profile, raw);
        };
    } else if (command == "listen") {
        const auto arguments = parse(words, {"--language", "--silence", "--seconds", "--input"},
                                     {"--until-silence", "--no-profile", "--raw"}, problem);
        if (!arguments)
            return usageError(problem);
        if (!arguments->positional.isEmpty())
            return usageError("listen takes no FILE");
        commands::ListenOptions options;
        options.language = language(*arguments);
        options.untilSilence = arguments->flags.contains("--until-silence");
        options.usesVoiceProfile = !arguments->flags.contains("--no-profile");
        options.raw = arguments->flags.contains("--raw");
        options.input = arguments->values.value("--input");
        options.maxSeconds = positiveSeconds(*arguments, "--seconds", problem);
        if (const auto silence = positiveSeconds(*arguments, "--silence", problem))
            options.silenceSeconds = *silence;
        if (!problem.isEmpty())
            return usageError(problem);
        run = [options] { return commands::listen(options); };
    } else if (command == "record") {
        const auto arguments = parse(words, {"--seconds", "--input"}, {}, problem);
        if (!arguments)
            return usageError(problem);
        if (arguments->positional.size() != 1)
            return usageError("record needs exactly one FILE");
        const auto seconds = positiveSeconds(*arguments, "--seconds", problem);
        if (!seconds)
            return usageError(problem.isEmpty() ? QStringLiteral("record needs --seconds N") : problem);
        run = [file = arguments->positional.first(), seconds = *seconds, input = arguments->values.value("--input")] {
            return commands::record(file, seconds, input);
        };
    } else if (command == "languages") {
        if (!words.isEmpty())
            return usageError("languages takes no arguments");
        return commands::languages();
    } else if (command == "inputs") {
        if (!words.isEmpty())
            return usageError("inputs takes no arguments");
        return commands::inputs();
    } else if (command == "adapt") {
        const auto arguments = parse(words, {"--language", "--prompts", "--recordings"}, {}, problem);
        if (!arguments)
            return usageError(problem);
        for (const char *option : {"--language", "--prompts", "--recordings"})
            if (!arguments->values.contains(option))
                return usageError(QStringLiteral("adapt needs %1").arg(option));
        if (!arguments->positional.isEmpty())
            return usageError("adapt takes no FILE");
        run = [values = arguments->values] {
            return commands::adapt(values["--language"], values["--prompts"], values["--recordings"]);
        };
    } else {
        return usageError("unknown command " + command);
    }

    QTimer::singleShot(0, &app, [run] { runAndExit(run); });
    const int status = app.exec();
    // A stopped transcription wakes its consumer coroutine through a queued call; deliver
    // it so the coroutine ends and frees its frame before the program does.
    QCoreApplication::sendPostedEvents();
    return status;
}
