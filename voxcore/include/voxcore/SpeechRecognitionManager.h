#pragma once

#include <voxcore/Locale.h>
#include <voxcore/SpeechRecognitionProvider.h>
#include <voxcore/TranscriptFormatting.h>

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <memory>
#include <optional>

class CancellableTask;
class LocaleServices;
class MicrophoneAuthorization;
class TranscriptFormatter;

// The application's one way to turn speech into text: holds the recognition language, the
// permission state, the live transcript, the last error text and the input level, and drives
// one speech recognition provider. Main thread only. No operation throws: every failure
// becomes the text of errorMessage. Every property notifies only when its value changes;
// the manager's own in-place changes of normalizedSamples (append, trim, empty) notify every
// time.
class SpeechRecognitionManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isTranscribing READ isTranscribing WRITE setIsTranscribing NOTIFY isTranscribingChanged)
    Q_PROPERTY(QString transcriptionResult READ transcriptionResult WRITE setTranscriptionResult NOTIFY transcriptionResultChanged)
    // Empty when there is no error (C++: errorMessage() is absent then).
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isAuthorized READ isAuthorized WRITE setIsAuthorized NOTIFY isAuthorizedChanged)
    // Changes take the new value at once; views ease toward it over 0.2 s (ease-in-out).
    Q_PROPERTY(double currentAmplitude READ currentAmplitude WRITE setCurrentAmplitude NOTIFY currentAmplitudeChanged)
    Q_PROPERTY(QList<float> normalizedSamples READ normalizedSamples WRITE setNormalizedSamples NOTIFY normalizedSamplesChanged)
    Q_PROPERTY(QString currentLacnguageName READ currentLacnguageName NOTIFY currentLocaleChanged)
    Q_PROPERTY(QString currentLanguageCode READ currentLanguageCode NOTIFY currentLocaleChanged)
    // A list of {name, code} maps, in the order of supportedLanguages().
    Q_PROPERTY(QVariantList supportedLanguages READ supportedLanguagesForQml CONSTANT)

public:
    enum class Provider { apple };
    Q_ENUM(Provider)

    struct Language
    {
        QString name;
        QString code;
        Locale locale;
        // Where its model comes from (a folder); empty when the provider does not say.
        QString modelLocation;
    };

    explicit SpeechRecognitionManager(Provider provider, QObject *parent = nullptr);
    // On a given provider and platform services (tests); null services mean the system's.
    explicit SpeechRecognitionManager(std::unique_ptr<SpeechRecognitionProvider> provider,
                                      std::shared_ptr<MicrophoneAuthorization> microphone = {},
                                      std::shared_ptr<LocaleServices> localeServices = {},
                                      QObject *parent = nullptr);
    ~SpeechRecognitionManager() override;

    bool isTranscribing() const { return m_isTranscribing; }
    void setIsTranscribing(bool value);
    QString transcriptionResult() const { return m_transcriptionResult; }
    void setTranscriptionResult(const QString &value);
    Locale currentLocale() const { return m_currentLocale; }
    void setCurrentLocale(const Locale &value);
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    void setErrorMessage(const std::optional<QString> &value);
    bool isAuthorized() const { return m_isAuthorized; }
    void setIsAuthorized(bool value);
    double currentAmplitude() const { return m_currentAmplitude; }
    void setCurrentAmplitude(double value);
    QList<float> normalizedSamples() const { return m_normalizedSamples; }
    void setNormalizedSamples(const QList<float> &value);

    QList<Locale> supportedLocales() const;
    QString currentLacnguageName() const;
    QString currentLanguageCode() const;
    QList<Language> supportedLanguages() const;
    QVariantList supportedLanguagesForQml() const;

    // Asks for speech recognition and microphone access where undecided; the new isAuthorized.
    QCoro::Task<bool> requestPermissionIfNeed();
    void setLanguage(const Locale &locale);
    // setLanguage() by locale identifier.
    Q_INVOKABLE void setLanguageCode(const QString &code);
    bool isLanguageSupported(const Locale &locale) const;
    // Completes when the text is in transcriptionResult (or errorMessage says why not).
    QCoro::Task<> transcribeAudioFile(QUrl url);
    // Completes once the microphone transcription runs or has failed; partial results then
    // arrive in transcriptionResult until the transcription ends or is stopped.
    QCoro::Task<> startMicrophoneTranscription();
    // Stops at once, without waiting for the recognizer (cancel, language change). Keeps
    // transcriptionResult: the words reported so far.
    Q_INVOKABLE void stopMicrophoneTranscription();
    // Stops listening at once (capture ends now; isTranscribing is false on return) and
    // completes with every word spoken until now, once the recognizer has decoded all the
    // audio captured (the partial results trail the speech by the decoder's lag). The main
    // thread runs on meanwhile, and a new transcription may start: transcriptionResult then
    // belongs to it, the returned text to this one.
    QCoro::Task<QString> finishMicrophoneTranscription();
    Q_INVOKABLE void clearTranscription();
    // Whether recognition uses the user's voice profile of the language (see voiceProfiles);
    // on by default. Takes effect with the next transcription.
    Q_INVOKABLE void setUsesVoiceProfiles(bool uses);
    // The sound server input to capture (see audioInputs(); empty: the default input); an
    // input that is gone when a transcription starts gives the default one. Takes effect
    // with the next microphone transcription.
    Q_INVOKABLE void setAudioInput(const QString &name);

    // How transcriptionResult is written from the recognizer's words, from the next
    // transcription on; nothing (the initial value) keeps the words as recognized, its
    // utterances joined by spaces. Not applied when the provider writes punctuation itself.
    void setTranscriptFormatting(std::optional<TranscriptFormatting> formatting);
    std::optional<TranscriptFormatting> transcriptFormatting() const { return m_formatting; }

signals:
    void isTranscribingChanged();
    void transcriptionResultChanged();
    void currentLocaleChanged();
    void errorMessageChanged();
    void isAuthorizedChanged();
    void currentAmplitudeChanged();
    void normalizedSamplesChanged();

private:
    void handleAmplitudeUpdate(float level);
    // The provider's authorization alone; a refusal also clears isAuthorized.
    QCoro::Task<bool> requestSpeechPermission();
    QCoro::Task<bool> requestMicrophonePermission();
    // requestPermissionIfNeed(), saying "Permission denied" when refused; false also when the
    // manager went away meanwhile.
    QCoro::Task<bool> checkPermission();
    QCoro::Task<> consumeMicrophoneStream(TranscriptStream stream, std::shared_ptr<CancellableTask> task);
    void cancelMicrophoneTask();
    // A formatter for a new transcription, in the current language (none for raw words).
    void prepareFormatter();
    // The recognizer's transcript as shown and delivered.
    QString written(const QString &recognized);

    bool m_isTranscribing = false;
    QString m_transcriptionResult;
    Locale m_currentLocale{QStringLiteral("en-US")};
    std::optional<QString> m_errorMessage;
    bool m_isAuthorized = false;
    double m_currentAmplitude = 0.15;
    QList<float> m_normalizedSamples;

    std::unique_ptr<SpeechRecognitionProvider> currentProvider;
    std::optional<TranscriptStream> microphoneStream;
    std::shared_ptr<CancellableTask> microphoneTask;
    std::shared_ptr<MicrophoneAuthorization> m_microphone;
    std::shared_ptr<LocaleServices> m_localeServices;
    std::optional<TranscriptFormatting> m_formatting;
    std::unique_ptr<TranscriptFormatter> m_formatter;
};

size_t qHash(SpeechRecognitionManager::Provider provider, size_t seed = 0) noexcept;
