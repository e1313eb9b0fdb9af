#include <voxcore/SpeechRecognitionManager.h>

#include <voxcore/AppleSpeechProvider.h>
#include <voxcore/SpeechRecognitionError.h>

#include "ChangeNotification.h"
#include "LevelWindow.h"
#include "PlainStringOrder.h"
#include "MicrophoneAccess.h"
#include "async/CancellableTask.h"
#include "formatting/TranscriptFormatter.h"
#include "platform/LocaleServices.h"
#include "platform/MicrophoneAuthorization.h"

#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>

SpeechRecognitionManager::SpeechRecognitionManager(Provider, QObject *parent)
    : SpeechRecognitionManager(std::make_unique<AppleSpeechProvider>(), nullptr, nullptr, parent)
{
}

SpeechRecognitionManager::SpeechRecognitionManager(std::unique_ptr<SpeechRecognitionProvider> provider,
                                                   std::shared_ptr<MicrophoneAuthorization> microphone,
                                                   std::shared_ptr<LocaleServices> localeServices, QObject *parent)
    : QObject(parent), currentProvider(std::move(provider)),
      m_microphone(microphone ? std::move(microphone) : defaultMicrophoneAuthorization()),
      m_localeServices(localeServices ? std::move(localeServices) : defaultLocaleServices())
{
    // The microphone is asked about off the main thread and only where it is used (transcribing
    // a file needs none): until then it counts as granted.
    m_isAuthorized = currentProvider->hasPermission();
    // Asks once, after construction has returned; nothing waits for the answer.
    QTimer::singleShot(0, this, [this] { requestSpeechPermission(); });
}

SpeechRecognitionManager::~SpeechRecognitionManager()
{
    cancelMicrophoneTask();
}

void SpeechRecognitionManager::setIsTranscribing(bool value)
{
    assignNotifying(this, m_isTranscribing, value, &SpeechRecognitionManager::isTranscribingChanged);
}

void SpeechRecognitionManager::setTranscriptionResult(const QString &value)
{
    assignNotifying(this, m_transcriptionResult, value, &SpeechRecognitionManager::transcriptionResultChanged);
}

void SpeechRecognitionManager::setCurrentLocale(const Locale &value)
{
    assignNotifying(this, m_currentLocale, value, &SpeechRecognitionManager::currentLocaleChanged);
}

void SpeechRecognitionManager::setErrorMessage(const std::optional<QString> &value)
{
    assignNotifying(this, m_errorMessage, value, &SpeechRecognitionManager::errorMessageChanged);
}

void SpeechRecognitionManager::setIsAuthorized(bool value)
{
    assignNotifying(this, m_isAuthorized, value, &SpeechRecognitionManager::isAuthorizedChanged);
}

void SpeechRecognitionManager::setCurrentAmplitude(double value)
{
    assignNotifying(this, m_currentAmplitude, value, &SpeechRecognitionManager::currentAmplitudeChanged);
}

void SpeechRecognitionManager::setNormalizedSamples(const QList<float> &value)
{
    assignNotifying(this, m_normalizedSamples, value, &SpeechRecognitionManager::normalizedSamplesChanged);
}

QList<Locale> SpeechRecognitionManager::supportedLocales() const
{
    return currentProvider->supportedLocales();
}

QString SpeechRecognitionManager::currentLacnguageName() const
{
    const QString identifier = m_currentLocale.identifier();
    const QStringList pieces = identifier.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return identifier;
    return m_localeServices->displayName(pieces.first(), m_localeServices->currentLocale()).value_or(identifier);
}

QString SpeechRecognitionManager::currentLanguageCode() const
{
    return m_currentLocale.identifier();
}

QList<SpeechRecognitionManager::Language> SpeechRecognitionManager::supportedLanguages() const
{
    const Locale userLocale = m_localeServices->currentLocale();
    QList<Language> languages;
    for (const Locale &locale : supportedLocales()) {
        const QString &identifier = locale.identifier();
        const QString userName = m_localeServices->displayName(identifier, userLocale).value_or(identifier);
        const QString nativeName = m_localeServices->displayName(identifier, locale).value_or(identifier);
        languages.append({userName + QStringLiteral(" - ") + nativeName + QStringLiteral(" [") + identifier
                              + QStringLiteral("]"),
                          identifier, locale, currentProvider->modelLocation(locale)});
    }
    std::stable_sort(languages.begin(), languages.end(),
                     [](const Language &a, const Language &b) { return plainStringLess(a.name, b.name); });
    return languages;
}

QVariantList SpeechRecognitionManager::supportedLanguagesForQml() const
{
    QVariantList list;
    for (const Language &language : supportedLanguages())
        list.append(QVariantMap{{QStringLiteral("name"), language.name}, {QStringLiteral("code"), language.code}});
    return list;
}

QCoro::Task<bool> SpeechRecognitionManager::requestPermissionIfNeed()
{
    QPointer<SpeechRecognitionManager> alive(this);
    const bool speechGranted = co_await currentProvider->requestAuthorization();
    if (!alive)
        co_return false;
    const bool microphoneGranted = co_await requestMicrophonePermission();
    if (!alive)
        co_return false;
    setIsAuthorized(speechGranted && microphoneGranted);
    co_return m_isAuthorized;
}

QCoro::Task<bool> SpeechRecognitionManager::requestSpeechPermission()
{
    QPointer<SpeechRecognitionManager> alive(this);
    const bool granted = co_await currentProvider->requestAuthorization();
    if (!alive)
        co_return false;
    if (!granted)
        setIsAuthorized(false);
    co_return granted;
}

QCoro::Task<bool> SpeechRecognitionManager::requestMicrophonePermission()
{
    auto asking = microphoneAuthorizationStatus(m_microphone);
    switch (co_await asking) {
    case AuthorizationStatus::authorized:
        co_return true;
    case AuthorizationStatus::notDetermined: {
        auto asked = askForMicrophoneAccess(m_microphone);
        co_return co_await asked;
    }
    default:
        co_return false;
    }
}

QCoro::Task<bool> SpeechRecognitionManager::checkPermission()
{
    QPointer<SpeechRecognitionManager> alive(this);
    const bool permitted = co_await requestPermissionIfNeed();
    if (!alive)
        co_return false;
    if (!permitted)
        setErrorMessage(QStringLiteral("Permission denied"));
    co_return permitted;
}

void SpeechRecognitionManager::setLanguage(const Locale &locale)
{
    if (isLanguageSupported(locale)) {
        setCurrentLocale(locale);
        setErrorMessage(std::nullopt);
    } else {
        setErrorMessage(QStringLiteral("Language '") + locale.identifier()
                        + QStringLiteral("' is not supported by the current provider"));
    }
}

void SpeechRecognitionManager::setLanguageCode(const QString &code)
{
    setLanguage(Locale(code));
}

bool SpeechRecognitionManager::isLanguageSupported(const Locale &locale) const
{
    return supportedLocales().contains(locale);
}

QCoro::Task<> SpeechRecognitionManager::transcribeAudioFile(QUrl url)
{
    QPointer<SpeechRecognitionManager> alive(this);
    // A file needs the recognizer only: no microphone, no sound server.
    const bool permitted = co_await requestSpeechPermission();
    if (!alive)
        co_return;
    if (!permitted) {
        setErrorMessage(QStringLiteral("Permission denied"));
        co_return;
    }
    setIsTranscribing(true);
    setTranscriptionResult(QString());
    setErrorMessage(std::nullopt);
    prepareFormatter();

    std::exception_ptr failure;
    QString text;
    try {
        // Arguments are bound outside the co_await expression: GCC 12 destroys temporaries
        // inside one twice.
        auto transcribing = currentProvider->transcribeAudioFile(url, m_currentLocale);
        text = co_await transcribing;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!alive)
        co_return;
    if (failure)
        setErrorMessage(localizedDescription(failure));
    else
        setTranscriptionResult(written(text));
    setIsTranscribing(false);
}

QCoro::Task<> SpeechRecognitionManager::startMicrophoneTranscription()
{
    QPointer<SpeechRecognitionManager> alive(this);
    if (!co_await checkPermission())
        co_return;
    setIsTranscribing(true);
    setTranscriptionResult(QString());
    setErrorMessage(std::nullopt);
    m_normalizedSamples.clear();
    emit normalizedSamplesChanged();
    setCurrentAmplitude(LevelWindow::defaultAmplitude);
    prepareFormatter();

    const Locale locale = m_currentLocale;
    auto onAmplitudeUpdate = [alive](float level) {
        if (alive)
            alive->handleAmplitudeUpdate(level);
    };
    std::exception_ptr failure;
    std::optional<TranscriptStream> stream;
    try {
        auto starting = currentProvider->transcribeMicrophone(locale, onAmplitudeUpdate);
        stream = co_await starting;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!alive)
        co_return;
    if (!failure) {
        microphoneStream = stream;
        if (!microphoneStream)
            failure = std::make_exception_ptr(SpeechRecognitionError::missingStream());
    }
    if (failure) {
        setErrorMessage(localizedDescription(failure));
        setIsTranscribing(false);
        co_return;
    }

    const TranscriptStream consumed = *microphoneStream;
    microphoneTask = std::make_shared<CancellableTask>([consumed] { consumed.cancel(); });
    // The coroutine runs on by itself once its Task object is dropped; microphoneTask is its handle.
    auto consuming = consumeMicrophoneStream(consumed, microphoneTask);
}

QCoro::Task<> SpeechRecognitionManager::consumeMicrophoneStream(TranscriptStream stream,
                                                               std::shared_ptr<CancellableTask> task)
{
    // A cancelled consumer leaves without a word: the stop that cancelled it has already set
    // the state, and a new transcription may be running by the time this resumes.
    QPointer<SpeechRecognitionManager> alive(this);
    std::exception_ptr failure;
    try {
        while (true) {
            const std::optional<QString> text = co_await stream.next();
            if (task->isCancelled() || !alive)
                co_return;
            if (!text)
                break;
            setTranscriptionResult(written(*text));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (task->isCancelled() || !alive)
        co_return;
    if (failure)
        setErrorMessage(localizedDescription(failure));
    setIsTranscribing(false);
}

void SpeechRecognitionManager::cancelMicrophoneTask()
{
    if (microphoneTask) {
        microphoneTask->cancel();
        microphoneTask.reset();
    }
}

void SpeechRecognitionManager::stopMicrophoneTranscription()
{
    cancelMicrophoneTask();
    microphoneStream.reset();
    if (auto *apple = dynamic_cast<AppleSpeechProvider *>(currentProvider.get()))
        apple->stopMicrophoneTranscription();
    setIsTranscribing(false);
    setCurrentAmplitude(LevelWindow::defaultAmplitude);
}

QCoro::Task<QString> SpeechRecognitionManager::finishMicrophoneTranscription()
{
    const bool listening = microphoneTask != nullptr && m_isTranscribing;
    // Ended by itself (a failure, the sound server gone): the words reported are all there is.
    const QString reported = m_transcriptionResult;
    auto *apple = dynamic_cast<AppleSpeechProvider *>(currentProvider.get());
    if (!listening || !apple) {
        stopMicrophoneTranscription();
        co_return reported;
    }
    // The provider stops the capture now and keeps the recognition going while the stream's
    // consumer lets go.
    auto finishing = apple->finishMicrophoneTranscription();
    cancelMicrophoneTask();
    microphoneStream.reset();
    setIsTranscribing(false);
    setCurrentAmplitude(LevelWindow::defaultAmplitude);
    QPointer<SpeechRecognitionManager> alive(this);
    const QString recognized = co_await finishing;
    co_return alive ? alive->written(recognized) : recognized;
}

void SpeechRecognitionManager::clearTranscription()
{
    setTranscriptionResult(QString());
    setErrorMessage(std::nullopt);
    m_normalizedSamples.clear();
    emit normalizedSamplesChanged();
    setCurrentAmplitude(LevelWindow::defaultAmplitude);
}

void SpeechRecognitionManager::setUsesVoiceProfiles(bool uses)
{
    currentProvider->setUsesVoiceProfiles(uses);
}

void SpeechRecognitionManager::setAudioInput(const QString &name)
{
    currentProvider->setAudioInput(name);
}

void SpeechRecognitionManager::handleAmplitudeUpdate(float level)
{
    LevelWindow::apply(*this, m_normalizedSamples, level);
}

void SpeechRecognitionManager::setTranscriptFormatting(std::optional<TranscriptFormatting> formatting)
{
    m_formatting = std::move(formatting);
}

void SpeechRecognitionManager::prepareFormatter()
{
    m_formatter.reset();
    if (m_formatting && !currentProvider->writesPunctuation())
        m_formatter = std::make_unique<TranscriptFormatter>(FormattingRules::forLocale(m_currentLocale), *m_formatting);
    currentProvider->setExpectsCommandWords(m_formatter && m_formatting->spokenPunctuation);
}

QString SpeechRecognitionManager::written(const QString &recognized)
{
    if (m_formatter)
        return m_formatter->format(recognized);
    QString words = recognized;
    return words.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

size_t qHash(SpeechRecognitionManager::Provider provider, size_t seed) noexcept
{
    return qHash(int(provider), seed);
}
