#pragma once

// Seam: the speech recognizer.
//
// What the logic relies on:
//  - SpeechRecognition::supportedLocales(): the locales a recognizer can be made for (any order;
//    the provider sorts them). recognizer(locale) returns a recognizer or nullptr when the locale
//    cannot be served. A recognizer is a light handle: the logic makes one for every
//    transcription, so the model behind it must be loaded once per locale and kept.
//  - authorizationStatus() asks nobody; requestAuthorization() calls back once with the new
//    status, on any thread (on this system there is no prompt: authorized).
//  - A recognition task calls its ResultHandler any number of times on the recognizer's own
//    thread, with (result, no error) or (no result, error). result.formattedString is always
//    the whole transcript so far, its utterances (speech between pauses) one per line, the
//    finished ones unchanged from one result to the next; the last result has isFinal = true.
//    A recognizer that writes punctuation and capitals itself says so (writesPunctuation()). After cancel() no new
//    call starts (one already running may finish). cancel() is idempotent and never blocks.
//  - AudioBufferRecognitionTask::append() is called on the capture thread for every captured
//    buffer, in the buffer's own format (the recognizer converts); it never blocks on decoding.
//    endAudio() (main thread, never blocks) means no more audio: every buffer appended before
//    it is decoded, however long that takes, and the final result follows with all its words.
//    decodedAudio() (any thread, never blocks): how much of the appended audio has been decoded
//    so far; it grows while the recognizer works.
//  - recognizerWithVoiceProfile(locale, folder) is recognizer(locale) with the acoustic model
//    in `folder` (built by the engine's own voiceAdaptation()); when that model cannot be
//    loaded, the engine says so on standard error and recognizes with the stock model. An
//    engine without voice profiles ignores the folder. voiceAdaptation() is null when the
//    engine cannot adapt.
//  - expectsCommandWords in a request: the words will be formatted with spoken punctuation
//    on, so "comma", "new line" and the like are to be expected anywhere; a recognizer that
//    can make them likely does so for that task only, one that cannot ignores it.
//  - A file task reads the whole file (any format the adapter can read) and delivers the final
//    result, or an error when the file cannot be read or decoded.

#include "platform/AuthorizationStatus.h"

#include <voxcore/Locale.h>
#include <voxcore/PcmBuffer.h>

#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

struct RecognitionResult
{
    QString formattedString;
    bool isFinal = false;
};

using RecognitionResultHandler =
    std::function<void(const std::optional<RecognitionResult> &result, const std::optional<QString> &error)>;

class RecognitionTask
{
public:
    virtual ~RecognitionTask() = default;
    virtual void cancel() = 0;
};

// A task fed with live audio: the audio-buffer request and its recognition task in one object.
class AudioBufferRecognitionTask : public RecognitionTask
{
public:
    virtual void append(const PcmBuffer &buffer) = 0;
    virtual void endAudio() = 0;
    virtual std::chrono::milliseconds decodedAudio() const = 0;
};

struct AudioBufferRecognitionRequest
{
    bool shouldReportPartialResults = true;
    bool addsPunctuation = true;
    bool expectsCommandWords = false;
};

enum class RecognitionTaskHint { unspecified, dictation };

struct FileRecognitionRequest
{
    QUrl url;
    bool shouldReportPartialResults = false;
    bool addsPunctuation = true;
    RecognitionTaskHint taskHint = RecognitionTaskHint::dictation;
    bool expectsCommandWords = false;
};

class SpeechRecognizer
{
public:
    virtual ~SpeechRecognizer() = default;
    virtual bool isAvailable() const = 0;
    virtual bool writesPunctuation() const { return false; }
    virtual std::shared_ptr<AudioBufferRecognitionTask> recognitionTask(const AudioBufferRecognitionRequest &request,
                                                                        RecognitionResultHandler handler) = 0;
    virtual std::shared_ptr<RecognitionTask> recognitionTask(const FileRecognitionRequest &request,
                                                             RecognitionResultHandler handler) = 0;
};

class VoiceAdaptation;

class SpeechRecognition
{
public:
    virtual ~SpeechRecognition() = default;
    virtual QList<Locale> supportedLocales() const = 0;
    virtual std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) = 0;
    virtual std::shared_ptr<SpeechRecognizer> recognizerWithVoiceProfile(const Locale &locale,
                                                                         const std::filesystem::path &)
    {
        return recognizer(locale);
    }
    virtual std::shared_ptr<VoiceAdaptation> voiceAdaptation() { return nullptr; }
    // Where the locale's model was found, to show the user; empty when the engine has no files.
    virtual QString modelLocation(const Locale &) const { return {}; }
    virtual AuthorizationStatus authorizationStatus() const = 0;
    virtual void requestAuthorization(std::function<void(AuthorizationStatus)> completion) = 0;
};

// The system's recognizer (defined by the platform adapter). One per process: it owns the
// loaded models.
std::shared_ptr<SpeechRecognition> defaultSpeechRecognition();
