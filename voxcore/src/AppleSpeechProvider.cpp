#include <voxcore/AppleSpeechProvider.h>

#include <voxcore/SpeechRecognitionError.h>
#include <voxcore/VoiceProfiles.h>

#include "LiveTranscript.h"
#include "LogLine.h"
#include "MainThread.h"
#include "PlainStringOrder.h"
#include "async/AwaitCallback.h"
#include "platform/AudioEngine.h"
#include "platform/SpeechRecognizer.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <variant>

namespace {

constexpr std::size_t kTapBufferSize = 1024;

void log(const char *text)
{
    writeLogLine(QStringLiteral("[AppleSpeechProvider] ") + QLatin1String(text));
}

// How a file recognition ended: its final text or the recognizer's error.
using FileOutcome = std::variant<QString, PlatformError>;

} // namespace

namespace {

// Waits for a finishing recognition as long as it decodes, however slowly; one that has decoded
// nothing for a whole `bound` is given up on, and the transcript so far is delivered.
void watchFinishing(std::shared_ptr<AudioBufferRecognitionTask> task, std::shared_ptr<LiveTranscript> transcript,
                    std::chrono::milliseconds bound, std::chrono::milliseconds decodedBefore)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return;
    QTimer::singleShot(bound, application, [task, transcript, bound, decodedBefore] {
        if (transcript->isOver())
            return;
        const std::chrono::milliseconds decoded = task->decodedAudio();
        if (decoded != decodedBefore) {
            watchFinishing(task, transcript, bound, decoded);
            return;
        }
        if (transcript->giveUp())
            writeErrorLine(QStringLiteral("[AppleSpeechProvider] The recognizer decoded nothing for %1 s: "
                                          "delivering the transcript so far, the last words are missing")
                               .arg(bound.count() / 1000.0));
    });
}

} // namespace

AppleSpeechProvider::AppleSpeechProvider()
    : AppleSpeechProvider(defaultSpeechRecognition(), [this] { return makeAudioEngineForInput(m_audioInput); })
{
}

AppleSpeechProvider::AppleSpeechProvider(std::shared_ptr<SpeechRecognition> speechRecognition,
                                         AudioEngineFactory makeAudioEngine)
    : m_speechRecognition(std::move(speechRecognition)), m_makeAudioEngine(std::move(makeAudioEngine))
{
    makeRecognizer(Locale(QStringLiteral("en-US")));
}

AppleSpeechProvider::~AppleSpeechProvider() = default;

void AppleSpeechProvider::makeRecognizer(const Locale &locale)
{
    const std::optional<QString> profile = m_usesVoiceProfiles ? voiceProfiles::activeModel(locale) : std::nullopt;
    speechRecognizer = profile ? m_speechRecognition->recognizerWithVoiceProfile(locale, profile->toStdString())
                               : m_speechRecognition->recognizer(locale);
}

bool AppleSpeechProvider::isAvailable() const
{
    return speechRecognizer && speechRecognizer->isAvailable();
}

bool AppleSpeechProvider::writesPunctuation() const
{
    return speechRecognizer && speechRecognizer->writesPunctuation();
}

QList<Locale> AppleSpeechProvider::supportedLocales() const
{
    QList<Locale> locales = m_speechRecognition->supportedLocales();
    std::stable_sort(locales.begin(), locales.end(), [](const Locale &a, const Locale &b) {
        return plainStringLess(a.identifier(), b.identifier());
    });
    return locales;
}

QString AppleSpeechProvider::modelLocation(const Locale &locale) const
{
    return m_speechRecognition->modelLocation(locale);
}

bool AppleSpeechProvider::hasPermission() const
{
    return m_speechRecognition->authorizationStatus() == AuthorizationStatus::authorized;
}

QCoro::Task<bool> AppleSpeechProvider::requestAuthorization()
{
    switch (m_speechRecognition->authorizationStatus()) {
    case AuthorizationStatus::notDetermined: {
        auto speech = m_speechRecognition;
        std::function<void(std::function<void(AuthorizationStatus)>)> ask =
            [speech](std::function<void(AuthorizationStatus)> done) { speech->requestAuthorization(std::move(done)); };
        auto asked = awaitCallback<AuthorizationStatus>(std::move(ask), AuthorizationStatus::notDetermined);
        const AuthorizationStatus answer = co_await asked;
        co_return answer == AuthorizationStatus::authorized;
    }
    case AuthorizationStatus::authorized:
        co_return true;
    default:
        co_return false;
    }
}

QCoro::Task<QString> AppleSpeechProvider::transcribeAudioFile(QUrl url, Locale locale)
{
    makeRecognizer(locale);
    if (!isAvailable())
        throw SpeechRecognitionError::unavailable();

    FileRecognitionRequest request;
    request.url = url;
    request.addsPunctuation = true;
    request.shouldReportPartialResults = false;
    request.taskHint = RecognitionTaskHint::dictation;
    request.expectsCommandWords = m_expectsCommandWords;

    // Only the first final result or error answers; awaitCallback ignores later calls. The
    // call is bound outside the co_await expression: GCC 12 destroys temporaries inside one twice.
    auto recognizer = speechRecognizer;
    std::shared_ptr<RecognitionTask> task;
    std::function<void(std::function<void(FileOutcome)>)> startRecognition =
        [recognizer, request, &task](std::function<void(FileOutcome)> done) {
            task = recognizer->recognitionTask(
                request, [done](const std::optional<RecognitionResult> &result, const std::optional<QString> &error) {
                    if (error)
                        done(PlatformError(*error));
                    else if (result && result->isFinal)
                        done(result->formattedString);
                });
        };
    auto finished = awaitCallback<FileOutcome>(std::move(startRecognition),
                                               PlatformError(QStringLiteral("The recognizer ended without a result")));
    recognitionTask = task;
    const FileOutcome outcome = co_await finished;

    if (auto *error = std::get_if<PlatformError>(&outcome))
        throw SpeechRecognitionError::recognitionFailed(std::make_exception_ptr(*error));
    co_return std::get<QString>(outcome);
}

QCoro::Task<TranscriptStream> AppleSpeechProvider::transcribeMicrophone(Locale locale,
                                                                        std::function<void(float)> onAmplitudeUpdate)
{
    log("Start microphone transcription...");
    makeRecognizer(locale);
    if (!isAvailable())
        throw SpeechRecognitionError::unavailable();

    const std::shared_ptr<AudioEngine> engine = m_makeAudioEngine();
    audioEngine = engine;
    const std::shared_ptr<SpeechRecognizer> recognizer = speechRecognizer;

    AudioBufferRecognitionRequest request;
    request.shouldReportPartialResults = true;
    request.addsPunctuation = true;
    request.expectsCommandWords = m_expectsCommandWords;

    const auto transcript = std::make_shared<LiveTranscript>();
    liveTranscript = transcript;

    TranscriptStream stream([&](TranscriptStream::Continuation continuation) {
        auto onResult = [continuation, transcript](const std::optional<RecognitionResult> &result,
                                                   const std::optional<QString> &error) {
            if (error) {
                writeLogLine(QStringLiteral("[AppleSpeechProvider] Recognition task error: ") + *error);
                transcript->end(transcript->latestText());
                continuation.finish(SpeechRecognitionError::recognitionFailed(std::make_exception_ptr(PlatformError(*error))));
                return;
            }
            if (!result)
                return;
            // The user's words stay out of the session's log unless asked for; one line
            // whatever the utterance lines of the transcript.
            if (transcriptLoggingEnabled())
                writeLogLine(QStringLiteral("[AppleSpeechProvider] Recognition transcription: ")
                             + QString(result->formattedString).replace(QLatin1Char('\n'), QLatin1Char(' '))
                             + QStringLiteral(", isFinal: ") + QLatin1String(result->isFinal ? "true" : "false"));
            if (result->isFinal)
                transcript->end(result->formattedString);
            else
                transcript->report(result->formattedString);
            continuation.yield(result->formattedString);
            if (result->isFinal)
                continuation.finish();
        };
        const std::shared_ptr<AudioBufferRecognitionTask> task = recognizer->recognitionTask(request, onResult);
        recognitionRequest = task;
        recognitionTask = task;

        engine->installTap(kTapBufferSize, [task, onAmplitudeUpdate](const PcmBuffer &buffer) {
            if (const std::optional<float> level = inputLevel(buffer))
                postToMainThread([onAmplitudeUpdate, value = *level] { onAmplitudeUpdate(value); });
            task->append(buffer);
        });
        // The capture may also fail later, when the sound server goes away: that ends the
        // stream the same way, and the transcript so far stays with the consumer.
        engine->setInterruptionHandler([continuation](const QString &description) {
            continuation.finish(SpeechRecognitionError::audioEngineError(std::make_exception_ptr(PlatformError(description))));
        });
        if (const std::optional<QString> error = engine->start())
            continuation.finish(SpeechRecognitionError::audioEngineError(std::make_exception_ptr(PlatformError(*error))));

        // Releases what THIS transcription created. By the time the clean-up runs, the
        // provider's fields may already hold the next transcription's engine and task.
        // A finishing transcription keeps its recognition task until the final result.
        continuation.setOnTermination([engine, task, transcript] {
            log("Recognition terminated");
            postToMainThread([engine, task, transcript] {
                engine->stop();
                engine->removeTap();
                if (!transcript->isFinishing())
                    task->cancel();
            });
        });
    });
    co_return stream;
}

void AppleSpeechProvider::stopMicrophoneTranscription()
{
    log("Stopping microphone transcription");
    if (audioEngine) {
        audioEngine->stop();
        audioEngine->removeTap();
    }
    if (recognitionRequest)
        recognitionRequest->endAudio();
    if (recognitionTask)
        recognitionTask->cancel();
    audioEngine.reset();
    recognitionRequest.reset();
    recognitionTask.reset();
    liveTranscript.reset();
}

QCoro::Task<QString> AppleSpeechProvider::finishMicrophoneTranscription(std::chrono::milliseconds bound)
{
    log("Finishing microphone transcription");
    // The capture first: once stopped, the engine calls the tap no more, so the audio to
    // decode is exactly what was captured until now.
    if (const std::shared_ptr<AudioEngine> engine = std::exchange(audioEngine, nullptr)) {
        engine->stop();
        engine->removeTap();
    }
    const std::shared_ptr<AudioBufferRecognitionTask> task = std::exchange(recognitionRequest, nullptr);
    const std::shared_ptr<LiveTranscript> transcript = std::exchange(liveTranscript, nullptr);
    recognitionTask.reset();
    if (!task || !transcript)
        co_return QString();

    std::function<void(std::function<void(QString)>)> waitForEnd = [task, transcript,
                                                                     bound](std::function<void(QString)> done) {
        if (!transcript->awaitEnd(std::move(done)))
            return;
        task->endAudio();
        watchFinishing(task, transcript, bound, task->decodedAudio());
    };
    auto ended = awaitCallback<QString>(std::move(waitForEnd), QString());
    const QString text = co_await ended;
    task->cancel(); // ended, or given up on: no more results
    co_return text;
}

std::optional<float> AppleSpeechProvider::inputLevel(const PcmBuffer &buffer)
{
    const float *samples = buffer.channelData(0);
    if (!samples || buffer.frameLength == 0)
        return std::nullopt;
    // Every stride-th sample below the frame length, counted from the first channel's start.
    const std::size_t stride = buffer.stride();
    float sumOfSquares = 0;
    std::size_t count = 0;
    for (std::size_t index = 0; index < buffer.frameLength; index += stride, ++count)
        sumOfSquares += samples[index] * samples[index];
    const float level = std::sqrt(sumOfSquares / float(count)) * 10.0f;
    return level > 1.0f ? 1.0f : level;
}
