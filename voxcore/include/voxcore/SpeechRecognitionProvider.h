#pragma once

#include <voxcore/AsyncStream.h>
#include <voxcore/Locale.h>

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

// The transcript of a microphone transcription: each element is the whole text recognised
// so far (replace, do not append), its utterances (stretches of speech between pauses) one per
// line. It ends normally after the final result, or with one SpeechRecognitionError.
using TranscriptStream = AsyncStream<QString>;

// A speech recognition back end, as the manager drives it. Failing operations throw
// SpeechRecognitionError.
class SpeechRecognitionProvider
{
public:
    virtual ~SpeechRecognitionProvider() = default;

    // Whether recognition can be used now.
    virtual bool isAvailable() const = 0;
    // The locales the provider can recognise, in the provider's order.
    virtual QList<Locale> supportedLocales() const = 0;
    // Where the locale's model comes from (a folder), to show the user; empty when unknown.
    virtual QString modelLocation(const Locale &) const { return {}; }
    // Whether speech recognition is already authorized, without asking anyone.
    virtual bool hasPermission() const = 0;
    // Asks the user only while no decision has been made; true when authorized afterwards.
    virtual QCoro::Task<bool> requestAuthorization() = 0;
    // The final transcript of the whole file. Throws unavailable when the language has no
    // usable recognizer, recognitionFailed when recognition reports an error.
    virtual QCoro::Task<QString> transcribeAudioFile(QUrl url, Locale locale) = 0;
    // Starts capturing from the default input and returns the transcript stream at once.
    // Throws unavailable, before any capture starts, when the language has no usable
    // recognizer. onAmplitudeUpdate is kept beyond the call and gets the input level (0 to
    // 1) of every captured buffer, on the main thread.
    virtual QCoro::Task<TranscriptStream> transcribeMicrophone(Locale locale,
                                                               std::function<void(float)> onAmplitudeUpdate) = 0;
    // Whether the recognizer writes punctuation and capitals itself: then its text is not
    // formatted again (TranscriptFormatting).
    virtual bool writesPunctuation() const { return false; }
    // Whether the words of the next transcriptions are formatted with spoken punctuation on:
    // then the recognizer is to expect "comma", "new line" and the like anywhere. A provider
    // that cannot tune its recognizer ignores it.
    virtual void setExpectsCommandWords(bool) {}
    // Whether the next transcriptions use the user's voice profile of their language, where
    // there is an enabled one (the default); a provider without voice profiles ignores it.
    virtual void setUsesVoiceProfiles(bool) {}
    // The sound server input the next microphone transcriptions capture (by its name; empty:
    // the default input). A provider without a choice of input ignores it.
    virtual void setAudioInput(const QString &) {}
};
