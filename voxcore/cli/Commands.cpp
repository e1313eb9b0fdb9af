#include "Commands.h"

#include "InterruptSignal.h"

#include <voxcore/AsyncStream.h>
#include <voxcore/AudioInputs.h>
#include <voxcore/Locale.h>
#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionManager.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace commands {
namespace {

// Level above the resting amplitude: someone is speaking.
constexpr float kSoundLevel = 0.15f;

void printLine(const QString &text)
{
    std::fputs((text.toUtf8() + '\n').constData(), stdout);
    std::fflush(stdout);
}

void printError(const QString &text)
{
    std::fputs(("voxcore-cli: " + text.toUtf8() + '\n').constData(), stderr);
}

// The manager's refusal, with what it means on this system.
void printManagerError(const QString &text)
{
    printError(text);
    if (text == QLatin1String("Permission denied"))
        printError(QStringLiteral("the microphone cannot be opened: is the sound server running and an input device present?"));
}

bool selectLanguage(SpeechRecognitionManager &manager, const std::optional<QString> &code)
{
    if (!code)
        return true;
    manager.setLanguage(Locale(*code));
    if (manager.currentLanguageCode() == *code)
        return true;
    printError(manager.errorMessageText());
    QStringList codes;
    for (const auto &language : manager.supportedLanguages())
        codes.append(language.code);
    printError(QStringLiteral("available languages: ") + (codes.isEmpty() ? QStringLiteral("none") : codes.join(", ")));
    return false;
}

// Written text (spoken punctuation, capitals, numbers), unless the recognizer's words are asked for.
void chooseFormatting(SpeechRecognitionManager &manager, bool raw)
{
    if (!raw)
        manager.setTranscriptFormatting(TranscriptFormatting{});
}

// Why a session ended; the first reason wins.
enum class Ending { interrupted, silence, timeLimit, endedByItself };

// A stream of endings that the event handlers feed and the command awaits.
struct Endings
{
    Endings()
    {
        auto made = AsyncStream<Ending>::makeStream();
        stream.emplace(made.first);
        feed.emplace(made.second);
    }
    void end(Ending ending) const
    {
        feed->yield(ending);
        feed->finish();
    }
    std::optional<AsyncStream<Ending>> stream;
    std::optional<AsyncStream<Ending>::Continuation> feed;
};

} // namespace

QCoro::Task<int> transcribe(QString file, std::optional<QString> language, bool usesVoiceProfile, bool raw)
{
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable()) {
        printError(QStringLiteral("cannot read %1").arg(file));
        co_return 1;
    }
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    manager.setUsesVoiceProfiles(usesVoiceProfile);
    if (!selectLanguage(manager, language))
        co_return 2;
    chooseFormatting(manager, raw);
    auto transcribing = manager.transcribeAudioFile(QUrl::fromLocalFile(info.absoluteFilePath()));
    co_await transcribing;
    if (const auto error = manager.errorMessage()) {
        printManagerError(*error);
        co_return 1;
    }
    printLine(manager.transcriptionResult());
    co_return 0;
}

QCoro::Task<int> listen(ListenOptions options)
{
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    manager.setUsesVoiceProfiles(options.usesVoiceProfile);
    manager.setAudioInput(options.input);
    if (!selectLanguage(manager, options.language))
        co_return 2;
    chooseFormatting(manager, options.raw);
    InterruptSignal interrupt;
    Endings endings;

    QElapsedTimer clock;
    clock.start();
    qint64 lastSound = 0, lastChange = 0;
    QString printed;
    QObject::connect(&manager, &SpeechRecognitionManager::transcriptionResultChanged, [&] {
        lastChange = clock.elapsed();
        const QString text = manager.transcriptionResult();
        if (!text.isEmpty() && text != printed) {
            printLine(text);
            printed = text;
        }
    });
    QObject::connect(&manager, &SpeechRecognitionManager::normalizedSamplesChanged, [&] {
        const QList<float> levels = manager.normalizedSamples();
        if (!levels.isEmpty() && levels.last() > kSoundLevel)
            lastSound = clock.elapsed();
    });

    auto starting = manager.startMicrophoneTranscription();
    co_await starting;
    if (!manager.isTranscribing()) {
        printManagerError(manager.errorMessage().value_or(QStringLiteral("the microphone transcription did not start")));
        co_return 1;
    }

    QObject::connect(&manager, &SpeechRecognitionManager::isTranscribingChanged, [&] {
        if (!manager.isTranscribing())
            endings.end(Ending::endedByItself);
    });
    QObject::connect(&interrupt, &InterruptSignal::interrupted, [&] { endings.end(Ending::interrupted); });
    QTimer limit;
    if (options.maxSeconds) {
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [&] { endings.end(Ending::timeLimit); });
        limit.start(int(*options.maxSeconds * 1000));
    }
    // End of speech: something was recognised, then neither sound nor a new result for a while
    // (the second condition lets the recognizer catch up with audio it still has queued).
    QTimer silenceCheck;
    if (options.untilSilence) {
        const qint64 quiet = qint64(options.silenceSeconds * 1000);
        QObject::connect(&silenceCheck, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (!manager.transcriptionResult().isEmpty() && now - lastSound >= quiet && now - lastChange >= quiet)
                endings.end(Ending::silence);
        });
        silenceCheck.start(100);
    }

    auto waiting = endings.stream->next();
    co_await waiting;
    // Every word heard until now, however far the recognizer lags behind the capture.
    auto finishing = manager.finishMicrophoneTranscription();
    const QString text = co_await finishing;

    printLine(text);
    if (const auto error = manager.errorMessage()) {
        printError(*error);
        co_return 1;
    }
    co_return 0;
}

QCoro::Task<int> record(QString file, double seconds, QString input)
{
    RecordingManager recorder;
    recorder.setAudioInput(input);
    InterruptSignal interrupt;
    Endings endings;

    auto starting = recorder.start();
    co_await starting;
    if (!recorder.isRecording()) {
        printError(recorder.errorMessage().value_or(QStringLiteral("the recording did not start")));
        co_return 1;
    }
    QObject::connect(&recorder, &RecordingManager::recordingStateChanged, [&] {
        if (!recorder.isRecording())
            endings.end(Ending::endedByItself);
    });
    QObject::connect(&interrupt, &InterruptSignal::interrupted, [&] { endings.end(Ending::interrupted); });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { endings.end(Ending::timeLimit); });
    limit.start(int(seconds * 1000));

    auto waiting = endings.stream->next();
    co_await waiting;
    recorder.stop();
    if (const auto error = recorder.errorMessage()) {
        printError(*error);
        co_return 1;
    }

    // The recorder writes into the caches folder; hand the file over to where it was asked for.
    const QString recorded = recorder.currentRecordingURL().value_or(QUrl()).toLocalFile();
    if (QFileInfo(file).exists() && !QFile::remove(file)) {
        printError(QStringLiteral("cannot replace %1; the recording stays at %2").arg(file, recorded));
        co_return 1;
    }
    if (!QFile::rename(recorded, file)) {
        if (!QFile::copy(recorded, file)) {
            printError(QStringLiteral("cannot write %1; the recording stays at %2").arg(file, recorded));
            co_return 1;
        }
        QFile::remove(recorded);
    }
    co_return 0;
}

int languages()
{
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    const auto languages = manager.supportedLanguages();
    if (languages.isEmpty()) {
        printError(QStringLiteral("no speech recognition languages are installed"));
        return 1;
    }
    for (const auto &language : languages)
        printLine(language.name);
    return 0;
}

int inputs()
{
    const auto inputs = audioInputs();
    if (!inputs) {
        printError(QStringLiteral("the sound server cannot be reached"));
        return 1;
    }
    for (const AudioInput &input : *inputs)
        printLine(input.name + '\t' + input.description);
    return 0;
}

} // namespace commands
