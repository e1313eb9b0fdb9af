#pragma once

#include <voxcore/SpeechRecognitionProvider.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AudioBufferRecognitionTask;
class LiveTranscript;
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
    QString modelLocation(const Locale &locale) const override;
    bool hasPermission() const override;
    QCoro::Task<bool> requestAuthorization() override;
    QCoro::Task<QString> transcribeAudioFile(QUrl url, Locale locale) override;
    QCoro::Task<TranscriptStream> transcribeMicrophone(Locale locale,
                                                       std::function<void(float)> onAmplitudeUpdate) override;
    // Asks the recognizer of the language last used.
    bool writesPunctuation() const override;
    void setUsesVoiceProfiles(bool uses) override { m_usesVoiceProfiles = uses; }
    void setExpectsCommandWords(bool expects) override { m_expectsCommandWords = expects; }
    void setAudioInput(const QString &name) override { m_audioInput = name; }

    // Ends the running microphone transcription at once, without waiting for the recognizer:
    // stops the audio engine, ends the audio and cancels recognition. Main thread.
    void stopMicrophoneTranscription();
    // Ends the running microphone transcription with every word spoken until now: the audio
    // engine stops at once (capture ends at the call), and the task completes, on the main
    // thread, with the final transcript once the recognizer has decoded all the audio captured
    // until then, however long that takes. Meanwhile the main thread runs on and a new
    // transcription may start. Should the recognizer decode nothing for a whole `bound` (stuck,
    // not slow), it completes with the transcript so far and says so on standard error; after a
    // recognizer error, likewise. An empty text when nothing runs. Main thread.
    QCoro::Task<QString> finishMicrophoneTranscription(std::chrono::milliseconds bound = finishBound);
    static constexpr std::chrono::milliseconds finishBound{30000};

    // Input level of a buffer: root mean square of the first channel's samples times 10,
    // capped at 1; nothing for a buffer without float data or without frames.
    static std::optional<float> inputLevel(const PcmBuffer &buffer);

private:
    void makeRecognizer(const Locale &locale);

    std::shared_ptr<SpeechRecognition> m_speechRecognition;
    AudioEngineFactory m_makeAudioEngine;
    bool m_usesVoiceProfiles = true;
    bool m_expectsCommandWords = false;
    QString m_audioInput; // used by the system's audio engine

    std::shared_ptr<SpeechRecognizer> speechRecognizer;
    std::shared_ptr<RecognitionTask> recognitionTask;
    std::shared_ptr<AudioBufferRecognitionTask> recognitionRequest;
    std::shared_ptr<AudioEngine> audioEngine;
    // What the running microphone transcription has reported, shared with its callbacks.
    std::shared_ptr<LiveTranscript> liveTranscript;
};
