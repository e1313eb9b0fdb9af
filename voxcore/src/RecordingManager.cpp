#include <voxcore/RecordingManager.h>

#include <voxcore/AppleSpeechProvider.h>
#include <voxcore/SpeechRecognitionError.h>

#include "ChangeNotification.h"
#include "LevelWindow.h"
#include "MainThread.h"
#include "MicrophoneAccess.h"
#include "platform/AudioEngine.h"
#include "platform/AudioFile.h"
#include "platform/FileManager.h"
#include "platform/MicrophoneAuthorization.h"

#include <QDir>
#include <QPointer>
#include <QTimer>

#include <charconv>
#include <chrono>
#include <cmath>

namespace {

constexpr std::size_t kTapBufferSize = 1024;
constexpr int kTickMilliseconds = 100;
constexpr double kTickSeconds = 0.1;

// Posts the input level of a captured buffer to the manager (capture thread).
void postInputLevel(const QPointer<RecordingManager> &manager, const PcmBuffer &buffer,
                    void (RecordingManager::*apply)(float))
{
    if (const std::optional<float> level = AppleSpeechProvider::inputLevel(buffer)) {
        postToMainThread([manager, apply, value = *level] {
            if (manager)
                (manager.data()->*apply)(value);
        });
    }
}

} // namespace

RecordingManager::RecordingManager(QObject *parent)
    : RecordingManager(defaultMicrophoneAuthorization(), [this] { return makeAudioEngineForInput(m_audioInput); },
                       defaultAudioFiles(),
                       defaultFileManager(), parent)
{
}

RecordingManager::RecordingManager(std::shared_ptr<MicrophoneAuthorization> microphone,
                                   AudioEngineFactory makeAudioEngine, std::shared_ptr<AudioFiles> audioFiles,
                                   std::shared_ptr<FileManager> fileManager, QObject *parent)
    : QObject(parent), m_microphone(std::move(microphone)), m_makeAudioEngine(std::move(makeAudioEngine)),
      m_audioFiles(std::move(audioFiles)), m_fileManager(std::move(fileManager))
{
    checkMicrophonePermission();
}

RecordingManager::~RecordingManager()
{
    // The tap must be gone before the file and the manager are.
    if (audioEngine) {
        audioEngine->stop();
        audioEngine->removeTap();
    }
}

void RecordingManager::setRecordingState(RecordingState value)
{
    assignNotifying(this, m_recordingState, value, &RecordingManager::recordingStateChanged);
}

void RecordingManager::setIsAuthorized(bool value)
{
    assignNotifying(this, m_isAuthorized, value, &RecordingManager::isAuthorizedChanged);
}

void RecordingManager::setCurrentAmplitude(double value)
{
    assignNotifying(this, m_currentAmplitude, value, &RecordingManager::currentAmplitudeChanged);
}

void RecordingManager::setRecordingTime(double value)
{
    assignNotifying(this, m_recordingTime, value, &RecordingManager::recordingTimeChanged);
}

void RecordingManager::setRecordedDuration(double value)
{
    if (m_recordedDuration == value)
        return;
    const bool hadRecording = hasRecording();
    m_recordedDuration = value;
    emit recordedDurationChanged();
    notifyHasRecording(hadRecording);
}

void RecordingManager::setAudioSamples(const QList<float> &value)
{
    assignNotifying(this, m_audioSamples, value, &RecordingManager::audioSamplesChanged);
}

void RecordingManager::setNormalizedSamples(const QList<float> &value)
{
    assignNotifying(this, m_normalizedSamples, value, &RecordingManager::normalizedSamplesChanged);
}

void RecordingManager::setCurrentRecordingURL(const std::optional<QUrl> &value)
{
    if (m_currentRecordingURL == value)
        return;
    const bool hadRecording = hasRecording();
    m_currentRecordingURL = value;
    emit currentRecordingURLChanged();
    notifyHasRecording(hadRecording);
}

void RecordingManager::setErrorMessage(const std::optional<QString> &value)
{
    assignNotifying(this, m_errorMessage, value, &RecordingManager::errorMessageChanged);
}

void RecordingManager::notifyHasRecording(bool before)
{
    if (hasRecording() != before)
        emit hasRecordingChanged();
}

void RecordingManager::checkMicrophonePermission()
{
    // Runs after the caller has returned; nothing waits for it.
    QTimer::singleShot(0, this, [this] { requestMicrophoneAccess(); });
}

QCoro::Task<> RecordingManager::requestMicrophoneAccess()
{
    const QString denied = QStringLiteral("Microphone access denied");
    QPointer<RecordingManager> alive(this);
    auto asking = microphoneAuthorizationStatus(m_microphone);
    const AuthorizationStatus status = co_await asking;
    if (!alive)
        co_return;
    switch (status) {
    case AuthorizationStatus::restricted:
    case AuthorizationStatus::denied:
        setIsAuthorized(false);
        setErrorMessage(denied);
        break;
    case AuthorizationStatus::notDetermined: {
        auto asked = askForMicrophoneAccess(m_microphone);
        const bool granted = co_await asked;
        if (!alive)
            co_return;
        setIsAuthorized(granted);
        if (!granted)
            setErrorMessage(denied);
        break;
    }
    case AuthorizationStatus::authorized:
        setIsAuthorized(true);
        break;
    default:
        setIsAuthorized(false);
        setErrorMessage(QStringLiteral("Unknown microphone permission status"));
        break;
    }
}

QCoro::Task<> RecordingManager::start()
{
    QPointer<RecordingManager> alive(this);
    if (!m_isAuthorized) {
        co_await requestMicrophoneAccess();
        if (!alive)
            co_return;
        if (!m_isAuthorized) {
            setErrorMessage(QStringLiteral("Microphone permission required"));
            co_return;
        }
    }
    if (m_recordingState == RecordingState::recording)
        co_return;

    try {
        setupRecording();
    } catch (const std::exception &error) {
        setErrorMessage(QStringLiteral("Failed to start recording: ") + localizedDescription(error));
        co_return;
    }

    setRecordingState(RecordingState::recording);
    recordingTimer = std::make_unique<QTimer>();
    recordingTimer->setInterval(kTickMilliseconds);
    connect(recordingTimer.get(), &QTimer::timeout, this, [this] { setRecordingTime(m_recordingTime + kTickSeconds); });
    recordingTimer->start();
    setErrorMessage(std::nullopt);
}

void RecordingManager::setupRecording()
{
    const QString folder = m_fileManager->cachesDirectory().toLocalFile();
    const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    const QUrl fileURL = QUrl::fromLocalFile(QDir(folder).filePath(recordingFileName(now)));

    resetRecording();
    setCurrentRecordingURL(fileURL);

    audioEngine = m_makeAudioEngine();
    if (!audioEngine)
        throw RecordingError(RecordingError::Case::audioEngineCreationFailed);

    AudioFileOpening opening = m_audioFiles->openForWriting(fileURL, AudioFileSettings{});
    if (!opening.file)
        throw PlatformError(opening.error);
    audioFile = opening.file;

    // The capture thread sees the file only through this weak reference: once the manager
    // lets go of it (stop, reset), later buffers find nothing to write to.
    const std::weak_ptr<AudioFileWriter> file = audioFile;
    const QPointer<RecordingManager> manager(this);
    auto reportFailure = [manager, file](const QString &description) {
        postToMainThread([manager, file, description] {
            if (manager)
                manager->handleRecordingFailure(file, description);
        });
    };
    audioEngine->installTap(kTapBufferSize, [file, manager, reportFailure](const PcmBuffer &buffer) {
        const std::shared_ptr<AudioFileWriter> writer = file.lock();
        if (!writer)
            return;
        if (const std::optional<QString> error = writer->write(buffer))
            reportFailure(*error);
        postInputLevel(manager, buffer, &RecordingManager::handleAmplitudeUpdate);
    });
    audioEngine->setInterruptionHandler(reportFailure);

    if (const std::optional<QString> error = audioEngine->start())
        throw PlatformError(*error);
}

void RecordingManager::handleRecordingFailure(const std::weak_ptr<AudioFileWriter> &file, const QString &description)
{
    // A recording that can no longer be written is ended and said so once; what reached the
    // file stays. Reports about an earlier recording's file are stale.
    if (!audioFile || audioFile != file.lock() || m_recordingState != RecordingState::recording)
        return;
    stop();
    setErrorMessage(QStringLiteral("Recording failed: ") + description);
}

void RecordingManager::handleAmplitudeUpdate(float level)
{
    LevelWindow::apply(*this, m_normalizedSamples, level);
}

void RecordingManager::stop()
{
    if (m_recordingState != RecordingState::recording)
        return;
    if (audioEngine) {
        audioEngine->stop();
        audioEngine->removeTap();
    }
    setRecordedDuration(m_recordingTime);
    if (recordingTimer) {
        recordingTimer->stop();
        recordingTimer.reset();
    }
    setRecordingState(RecordingState::stopped);
    audioEngine.reset();
    audioFile.reset();
}

void RecordingManager::clear()
{
    if (m_recordingState == RecordingState::recording)
        stop();
    if (m_currentRecordingURL)
        m_fileManager->removeItem(*m_currentRecordingURL); // a file that will not go is left behind
    resetRecording();
}

void RecordingManager::resetRecording()
{
    setRecordingState(RecordingState::idle);
    setAudioSamples({});
    m_normalizedSamples.clear();
    emit normalizedSamplesChanged();
    setRecordingTime(0);
    setRecordedDuration(0);
    setCurrentAmplitude(LevelWindow::defaultAmplitude);
    setCurrentRecordingURL(std::nullopt);
    audioFile.reset();
}

QCoro::Task<PcmBufferStream> RecordingManager::startLiveMicrophoneInput()
{
    QPointer<RecordingManager> alive(this);
    if (!m_isAuthorized) {
        co_await requestMicrophoneAccess();
        if (!alive || !m_isAuthorized)
            throw RecordingError(RecordingError::Case::permissionDenied);
    }
    const std::shared_ptr<AudioEngine> engine = m_makeAudioEngine();
    PcmBufferStream stream([&engine](PcmBufferStream::Continuation continuation) {
        engine->installTap(kTapBufferSize, [continuation](const PcmBuffer &buffer) { continuation.yield(buffer); });
        engine->setInterruptionHandler([continuation](const QString &) { continuation.finish(); });
        if (engine->start())
            continuation.finish(); // the engine's error is not passed on
        // The stream may end on the capture thread; the engine is stopped from the main thread.
        continuation.setOnTermination([engine] {
            postToMainThread([engine] {
                engine->stop();
                engine->removeTap();
            });
        });
    });
    co_return stream;
}

QString RecordingManager::getFormattedTime() const
{
    return formattedTime(m_recordingTime);
}

QString RecordingManager::getFormattedDuration() const
{
    return formattedDuration(m_recordedDuration);
}

QString RecordingManager::formattedTime(double seconds)
{
    const auto whole = static_cast<long long>(seconds);
    const auto hundredths = static_cast<int>((seconds - std::trunc(seconds)) * 100);
    return QString::asprintf("%02d:%02d.%02d", int(whole / 60), int(whole % 60), hundredths);
}

QString RecordingManager::formattedDuration(double seconds)
{
    const auto whole = static_cast<long long>(seconds);
    return QString::asprintf("%02d:%02d", int(whole / 60), int(whole % 60));
}

QString RecordingManager::recordingFileName(double secondsSince1970)
{
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, secondsSince1970, std::chars_format::fixed);
    QString number = QString::fromLatin1(digits, written.ptr - digits);
    if (!number.contains(QLatin1Char('.')))
        number += QStringLiteral(".0"); // a whole number of seconds still shows its fraction
    return QStringLiteral("recording_") + number + QStringLiteral(".wav");
}
