#pragma once

#include <voxcore/SpeechRecognitionProvider.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AudioBufferRecognitionTask;
class AudioEngine;
class RecognitionTask;
class SpeechRecognition;
class SpeechRecognizer;
struct PcmBuffer;

// The system's speech recognition provider: the platform recognizer, fed live from the
// default microphone through the audio engine, or with a whole audio file.
class AppleSpeechProvider : public SpeechRecognitionProvider
{
public:
    using AudioEngineFactory = std::function<std::shared_ptr<AudioEngine>()>;

    // On the system's recognizer and audio engine.
    AppleSpeechProvider();
    // On the given services (tests).
    AppleSpeechProvider(std::shared_ptr<SpeechRecognition> speechRecognition, AudioEngineFactory makeAudioEngine);
    ~AppleSpeechProvider() override;

    bool isAvailable() const override;
    QList<Locale> supportedLocales() const override;
    bool hasPermission() const override;
    QCoro::Task<bool> requestAuthorization() override;
    QCoro::Task<QString> transcribeAudioFile(QUrl url, Locale locale) override;
    QCoro::Task<TranscriptStream> transcribeMicrophone(Locale locale,
                                                       std::function<void(float)> onAmplitudeUpdate) override;
    void setUsesVoiceProfiles(bool uses) override { m_usesVoiceProfiles = uses; }
    void setAudioInput(const QString &name) override { m_audioInput = name; }

    // Stops the audio engine of the running microphone transcription, lets the recognizer
    // catch up with the audio captured until then (for at most stopCatchUpBound), ends the
    // audio and cancels recognition. Returns the whole transcript as of the last captured
    // buffer when the recognizer caught up in time: words spoken just before the stop are
    // still in it. Main thread.
    std::optional<QString> stopMicrophoneTranscription();
    static constexpr std::chrono::milliseconds stopCatchUpBound{400};
    // The whole transcript once the recognizer has decoded the audio captured until now
    // (waiting at most `bound`); nothing when it did not catch up in time or nothing runs.
    // Capture goes on. Main thread.
    std::optional<QString> transcriptOnceCaughtUp(std::chrono::milliseconds bound);

    // Input level of a buffer: root mean square of the first channel's samples times 10,
    // capped at 1; nothing for a buffer without float data or without frames.
    static std::optional<float> inputLevel(const PcmBuffer &buffer);

private:
    void makeRecognizer(const Locale &locale);

    std::shared_ptr<SpeechRecognition> m_speechRecognition;
    AudioEngineFactory m_makeAudioEngine;
    bool m_usesVoiceProfiles = true;
    QString m_audioInput; // used by the system's audio engine

    std::shared_ptr<SpeechRecognizer> speechRecognizer;
    std::shared_ptr<RecognitionTask> recognitionTask;
    std::shared_ptr<AudioBufferRecognitionTask> recognitionRequest;
    std::shared_ptr<AudioEngine> audioEngine;
};
