#pragma once

#include <voxcore/AsyncStream.h>
#include <voxcore/PcmBuffer.h>

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class AudioEngine;
class AudioFiles;
class AudioFileWriter;
class FileManager;
class MicrophoneAuthorization;
class QTimer;

enum class RecordingState { idle, recording, paused, stopped };

class RecordingError : public std::exception
{
public:
    enum class Case { permissionDenied, audioEngineCreationFailed, audioFileCreationFailed, recordingInProgress };

    explicit RecordingError(Case kind);
    Case kind() const { return m_case; }
    std::optional<QString> errorDescription() const;
    const char *what() const noexcept override { return m_what.constData(); }

    friend bool operator==(const RecordingError &a, const RecordingError &b) { return a.m_case == b.m_case; }

private:
    Case m_case;
    QByteArray m_what;
};

size_t qHash(RecordingState state, size_t seed = 0) noexcept;
size_t qHash(const RecordingError &error, size_t seed = 0) noexcept;

// Raw microphone buffers, independent of any recording.
using PcmBufferStream = AsyncStream<PcmBuffer>;

// Records the default input device to a 16-bit mono 44100 Hz WAV file in the user's caches
// folder, counting the recording time and publishing the input level. Properties notify only
// when their value changes; in-place changes of normalizedSamples notify every time.
// Construction starts the microphone permission check.
class RecordingManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(RecordingState recordingState READ recordingState WRITE setRecordingState NOTIFY recordingStateChanged)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY recordingStateChanged)
    Q_PROPERTY(bool hasRecording READ hasRecording NOTIFY hasRecordingChanged)
    Q_PROPERTY(bool isAuthorized READ isAuthorized WRITE setIsAuthorized NOTIFY isAuthorizedChanged)
    Q_PROPERTY(double currentAmplitude READ currentAmplitude WRITE setCurrentAmplitude NOTIFY currentAmplitudeChanged)
    Q_PROPERTY(double recordingTime READ recordingTime WRITE setRecordingTime NOTIFY recordingTimeChanged)
    Q_PROPERTY(double recordedDuration READ recordedDuration WRITE setRecordedDuration NOTIFY recordedDurationChanged)
    Q_PROPERTY(QList<float> audioSamples READ audioSamples WRITE setAudioSamples NOTIFY audioSamplesChanged)
    Q_PROPERTY(QList<float> normalizedSamples READ normalizedSamples WRITE setNormalizedSamples NOTIFY normalizedSamplesChanged)
    // Empty when absent (C++: currentRecordingURL() / errorMessage() are optional).
    Q_PROPERTY(QUrl currentRecordingURL READ currentRecordingURLValue NOTIFY currentRecordingURLChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)

public:
    using AudioEngineFactory = std::function<std::shared_ptr<AudioEngine>()>;

    explicit RecordingManager(QObject *parent = nullptr);
    // On given platform services (tests).
    RecordingManager(std::shared_ptr<MicrophoneAuthorization> microphone, AudioEngineFactory makeAudioEngine,
                     std::shared_ptr<AudioFiles> audioFiles, std::shared_ptr<FileManager> fileManager,
                     QObject *parent = nullptr);
    ~RecordingManager() override;

    // The sound server input to record (see audioInputs(); empty: the default input), from
    // the next recording on; an input that is gone then gives the default one.
    void setAudioInput(const QString &name) { m_audioInput = name; }

    RecordingState recordingState() const { return m_recordingState; }
    void setRecordingState(RecordingState value);
    bool isRecording() const { return m_recordingState == RecordingState::recording; }
    bool hasRecording() const { return m_currentRecordingURL.has_value() && m_recordedDuration > 0; }
    bool isAuthorized() const { return m_isAuthorized; }
    void setIsAuthorized(bool value);
    double currentAmplitude() const { return m_currentAmplitude; }
    void setCurrentAmplitude(double value);
    double recordingTime() const { return m_recordingTime; }
    void setRecordingTime(double value);
    double recordedDuration() const { return m_recordedDuration; }
    void setRecordedDuration(double value);
    QList<float> audioSamples() const { return m_audioSamples; }
    void setAudioSamples(const QList<float> &value);
    QList<float> normalizedSamples() const { return m_normalizedSamples; }
    void setNormalizedSamples(const QList<float> &value);
    std::optional<QUrl> currentRecordingURL() const { return m_currentRecordingURL; }
    QUrl currentRecordingURLValue() const { return m_currentRecordingURL.value_or(QUrl()); }
    void setCurrentRecordingURL(const std::optional<QUrl> &value);
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    void setErrorMessage(const std::optional<QString> &value);

    // Starts, without waiting, the microphone permission routine.
    Q_INVOKABLE void checkMicrophonePermission();
    // Begins a recording; failures land in errorMessage.
    QCoro::Task<> start();
    Q_INVOKABLE void stop();
    // Ends any recording, deletes its file and resets.
    Q_INVOKABLE void clear();
    // Raw microphone buffers from an engine of its own; throws RecordingError(permissionDenied).
    QCoro::Task<PcmBufferStream> startLiveMicrophoneInput();
    QString getFormattedTime() const;
    QString getFormattedDuration() const;

    // "%02d:%02d.%02d" and "%02d:%02d" of a non-negative, finite number of seconds.
    static QString formattedTime(double seconds);
    static QString formattedDuration(double seconds);
    // "recording_<seconds since 1970, shortest round-trip form>.wav"
    static QString recordingFileName(double secondsSince1970);

signals:
    void recordingStateChanged();
    void hasRecordingChanged();
    void isAuthorizedChanged();
    void currentAmplitudeChanged();
    void recordingTimeChanged();
    void recordedDurationChanged();
    void audioSamplesChanged();
    void normalizedSamplesChanged();
    void currentRecordingURLChanged();
    void errorMessageChanged();

private:
    QCoro::Task<> requestMicrophoneAccess();
    void setupRecording();
    void handleAmplitudeUpdate(float level);
    void handleRecordingFailure(const std::weak_ptr<AudioFileWriter> &file, const QString &description);
    void resetRecording();
    void notifyHasRecording(bool before);

    RecordingState m_recordingState = RecordingState::idle;
    bool m_isAuthorized = false;
    double m_currentAmplitude = 0.0;
    double m_recordingTime = 0;
    double m_recordedDuration = 0;
    QList<float> m_audioSamples;
    QList<float> m_normalizedSamples;
    std::optional<QUrl> m_currentRecordingURL;
    std::optional<QString> m_errorMessage;
    std::shared_ptr<AudioEngine> audioEngine;
    std::shared_ptr<AudioFileWriter> audioFile;
    std::unique_ptr<QTimer> recordingTimer;

    std::shared_ptr<MicrophoneAuthorization> m_microphone;
    AudioEngineFactory m_makeAudioEngine;
    QString m_audioInput; // used by the system's audio engine
    std::shared_ptr<AudioFiles> m_audioFiles;
    std::shared_ptr<FileManager> m_fileManager;
};

Q_DECLARE_METATYPE(RecordingState)
