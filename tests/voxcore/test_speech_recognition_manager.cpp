// SpeechRecognitionManager on a fake provider: permission paths, the state of a microphone or
// file transcription, stop and clear, the level window, languages and change notification.

#include <voxcore/SpeechRecognitionError.h>
#include <voxcore/SpeechRecognitionManager.h>

#include "AwaitOutcome.h"
#include "FakePlatform.h"

#include <QCoro/QCoroTask>
#include <QSignalSpy>
#include <QTest>

namespace {

class FakeProvider : public SpeechRecognitionProvider
{
public:
    bool isAvailable() const override { return true; }
    QList<Locale> supportedLocales() const override { return locales; }
    bool hasPermission() const override { return permission; }
    QCoro::Task<bool> requestAuthorization() override
    {
        ++authorizationRequests;
        co_return authorizationAnswer;
    }
    QCoro::Task<QString> transcribeAudioFile(QUrl url, Locale locale) override
    {
        fileRequests.append({url, locale.identifier()});
        if (fileError)
            throw *fileError;
        co_return fileText;
    }
    QCoro::Task<TranscriptStream> transcribeMicrophone(Locale locale, std::function<void(float)> onAmplitudeUpdate) override
    {
        microphoneLocales.append(locale.identifier());
        if (microphoneError)
            throw *microphoneError;
        levels = std::move(onAmplitudeUpdate);
        TranscriptStream stream([this](TranscriptStream::Continuation continuation) {
            continuation.setOnTermination([this] { ++terminations; });
            producer = continuation;
        });
        co_return stream;
    }

    QList<Locale> locales{Locale("en-US")};
    bool permission = true;
    bool authorizationAnswer = true;
    int authorizationRequests = 0;
    QString fileText;
    std::optional<SpeechRecognitionError> fileError;
    std::optional<SpeechRecognitionError> microphoneError;
    QList<QPair<QUrl, QString>> fileRequests;
    QStringList microphoneLocales;
    std::function<void(float)> levels;
    std::optional<TranscriptStream::Continuation> producer;
    int terminations = 0;
    bool punctuates = false;
    bool writesPunctuation() const override { return punctuates; }
    bool expectsCommandWords = false;
    void setExpectsCommandWords(bool expects) override { expectsCommandWords = expects; }
};

struct Fixture
{
    explicit Fixture(AuthorizationStatus microphoneStatus = AuthorizationStatus::authorized)
        : microphone(std::make_shared<FakeMicrophone>(microphoneStatus))
    {
        auto fake = std::make_unique<FakeProvider>();
        provider = fake.get();
        manager = std::make_unique<SpeechRecognitionManager>(std::move(fake), microphone, localeServices);
    }
    void start() { QCoro::waitFor(manager->startMicrophoneTranscription()); }
    TranscriptStream::Continuation &producer() { return *provider->producer; }

    FakeProvider *provider = nullptr;
    std::shared_ptr<FakeMicrophone> microphone;
    std::shared_ptr<FakeLocaleServices> localeServices = std::make_shared<FakeLocaleServices>();
    std::unique_ptr<SpeechRecognitionManager> manager;
};

} // namespace

class TestSpeechRecognitionManager : public QObject
{
    Q_OBJECT

private slots:
    void isAuthorizedNeedsSpeechAndMicrophone_data()
    {
        QTest::addColumn<bool>("speechAnswer");
        QTest::addColumn<AuthorizationStatus>("microphoneStatus");
        QTest::addColumn<bool>("microphoneAnswer");
        QTest::addColumn<bool>("authorized");
        QTest::addColumn<int>("microphoneRequests");
        QTest::newRow("both granted") << true << AuthorizationStatus::authorized << false << true << 0;
        QTest::newRow("speech refused") << false << AuthorizationStatus::authorized << false << false << 0;
        QTest::newRow("microphone denied") << true << AuthorizationStatus::denied << true << false << 0;
        QTest::newRow("microphone asked, yes") << true << AuthorizationStatus::notDetermined << true << true << 1;
        QTest::newRow("microphone asked, no") << true << AuthorizationStatus::notDetermined << false << false << 1;
        QTest::newRow("speech refused, microphone still asked")
            << false << AuthorizationStatus::notDetermined << true << false << 1;
        QTest::newRow("unknown microphone status") << true << AuthorizationStatus(9) << true << false << 0;
    }

    void isAuthorizedNeedsSpeechAndMicrophone()
    {
        QFETCH(bool, speechAnswer);
        QFETCH(AuthorizationStatus, microphoneStatus);
        QFETCH(bool, microphoneAnswer);
        QFETCH(bool, authorized);
        QFETCH(int, microphoneRequests);

        Fixture fixture(microphoneStatus);
        fixture.microphone->answer = microphoneAnswer;
        fixture.provider->authorizationAnswer = speechAnswer;
        QCOMPARE(fixture.manager->isAuthorized(), true); // the microphone is asked where it is used

        // The construction-time request runs on the next turn of the event loop, and asks
        // for speech recognition only.
        QCOMPARE(fixture.provider->authorizationRequests, 0);
        settle();
        QCOMPARE(fixture.provider->authorizationRequests, 1);
        QCOMPARE(fixture.manager->isAuthorized(), speechAnswer);
        QCOMPARE(fixture.microphone->accessRequests, 0);

        QCOMPARE(QCoro::waitFor(fixture.manager->requestPermissionIfNeed()), authorized);
        QCOMPARE(fixture.manager->isAuthorized(), authorized);
        QCOMPARE(fixture.microphone->accessRequests, microphoneRequests);
    }

    void startingWithoutTheMicrophoneChangesNothingElseAndFilesNeedNone()
    {
        Fixture fixture(AuthorizationStatus::denied);
        auto &manager = *fixture.manager;
        manager.setTranscriptionResult(QStringLiteral("earlier words"));
        QSignalSpy transcribing(&manager, &SpeechRecognitionManager::isTranscribingChanged);

        fixture.start();
        QCOMPARE(manager.errorMessage(), QStringLiteral("Permission denied"));
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("earlier words"));
        QCOMPARE(transcribing.count(), 0);
        QVERIFY(fixture.provider->microphoneLocales.isEmpty());

        QCoro::waitFor(manager.transcribeAudioFile(QUrl::fromLocalFile("/tmp/a.wav")));
        QVERIFY(!manager.errorMessage());
        QCOMPARE(fixture.provider->fileRequests.size(), 1);

        fixture.provider->authorizationAnswer = false; // the recognizer itself refused
        QCoro::waitFor(manager.transcribeAudioFile(QUrl::fromLocalFile("/tmp/a.wav")));
        QCOMPARE(manager.errorMessage(), QStringLiteral("Permission denied"));
        QCOMPARE(fixture.provider->fileRequests.size(), 1);
    }

    void aStartResetsTheStateAndStreamsTheTranscript()
    {
        Fixture fixture;
        auto &manager = *fixture.manager;
        manager.setTranscriptionResult(QStringLiteral("old"));
        manager.setErrorMessage(QStringLiteral("old error"));
        manager.setCurrentAmplitude(0.8);
        manager.setNormalizedSamples({0.5f, 0.6f});
        QSignalSpy results(&manager, &SpeechRecognitionManager::transcriptionResultChanged);

        fixture.start();
        QVERIFY(manager.isTranscribing());
        QVERIFY(manager.transcriptionResult().isEmpty());
        QVERIFY(!manager.errorMessage());
        QVERIFY(manager.normalizedSamples().isEmpty());
        QCOMPARE(manager.currentAmplitude(), 0.15);
        QCOMPARE(fixture.provider->microphoneLocales, QStringList{"en-US"});

        for (const char *text : {"hello", "hello", "hello world"})
            fixture.producer().yield(QString::fromLatin1(text));
        settle();
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("hello world"));
        QCOMPARE(results.count(), 3); // emptied, then two different texts

        fixture.producer().finish();
        settle();
        QVERIFY(!manager.isTranscribing());
        QVERIFY(!manager.errorMessage());
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("hello world"));
        QCOMPARE(fixture.provider->terminations, 1);
    }

    void aStreamErrorKeepsTheTranscriptSoFar()
    {
        Fixture fixture;
        fixture.start();
        fixture.producer().yield(QStringLiteral("so far"));
        fixture.producer().finish(
            SpeechRecognitionError::recognitionFailed(std::make_exception_ptr(PlatformError("decoder gone"))));
        settle();
        QCOMPARE(fixture.manager->errorMessage(), QStringLiteral("Recognition failed: decoder gone"));
        QVERIFY(!fixture.manager->isTranscribing());
        QCOMPARE(fixture.manager->transcriptionResult(), QStringLiteral("so far"));
    }

    void aProviderThatCannotStartReportsWhy()
    {
        Fixture fixture;
        fixture.provider->microphoneError = SpeechRecognitionError::unavailable();
        QSignalSpy transcribing(fixture.manager.get(), &SpeechRecognitionManager::isTranscribingChanged);
        fixture.start();
        QCOMPARE(fixture.manager->errorMessage(), QStringLiteral("Speech recognition is not available"));
        QVERIFY(!fixture.manager->isTranscribing());
        QCOMPARE(transcribing.count(), 2); // true during the set-up, then false
    }

    void stopKeepsTheTranscriptAndEndsTheStream()
    {
        Fixture fixture;
        fixture.start();
        auto &manager = *fixture.manager;
        auto producer = fixture.producer();
        producer.yield(QStringLiteral("last partial"));
        fixture.provider->levels(0.7f);
        settle();

        manager.stopMicrophoneTranscription();
        QVERIFY(!manager.isTranscribing());
        QCOMPARE(manager.currentAmplitude(), 0.15);
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("last partial"));
        QCOMPARE(manager.normalizedSamples(), QList<float>{0.7f});
        QCOMPARE(fixture.provider->terminations, 1);

        // The cancelled consumer neither reads on nor touches the state when it resumes.
        producer.yield(QStringLiteral("too late"));
        settle();
        manager.stopMicrophoneTranscription(); // with nothing running, it changes nothing
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("last partial"));
        QCOMPARE(fixture.provider->terminations, 1);

        // A level still in flight at the stop is shown all the same.
        fixture.provider->levels(0.9f);
        QCOMPARE(manager.currentAmplitude(), double(0.9f));
        QCOMPARE(manager.normalizedSamples(), (QList<float>{0.7f, 0.9f}));
    }

    void aCancelledConsumerDoesNotEndTheNextTranscription()
    {
        Fixture fixture;
        fixture.start();
        fixture.manager->stopMicrophoneTranscription();
        fixture.start(); // before the old consumer resumed
        settle();
        QVERIFY(fixture.manager->isTranscribing());
        fixture.producer().yield(QStringLiteral("new words"));
        settle();
        QCOMPARE(fixture.manager->transcriptionResult(), QStringLiteral("new words"));
    }

    void clearDuringATranscriptionLetsTheNextResultRefill()
    {
        Fixture fixture;
        fixture.start();
        auto &manager = *fixture.manager;
        fixture.producer().yield(QStringLiteral("one two"));
        fixture.provider->levels(0.4f);
        settle();
        manager.setErrorMessage(QStringLiteral("something"));

        QSignalSpy samples(&manager, &SpeechRecognitionManager::normalizedSamplesChanged);
        manager.clearTranscription();
        QVERIFY(manager.transcriptionResult().isEmpty());
        QVERIFY(!manager.errorMessage());
        QVERIFY(manager.normalizedSamples().isEmpty());
        QCOMPARE(samples.count(), 1);
        QCOMPARE(manager.currentAmplitude(), 0.15);
        QVERIFY(manager.isTranscribing());

        fixture.producer().yield(QStringLiteral("one two three"));
        settle();
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("one two three"));
    }

    void theLevelWindowKeepsTheLatestHundredAndTheAmplitudeIsFloored()
    {
        Fixture fixture;
        fixture.start();
        auto &manager = *fixture.manager;
        QSignalSpy samples(&manager, &SpeechRecognitionManager::normalizedSamplesChanged);
        for (int i = 0; i < 150; ++i)
            fixture.provider->levels(float(i) / 1000.0f);

        const QList<float> window = manager.normalizedSamples();
        QCOMPARE(window.size(), 100);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(window[i], float(i + 50) / 1000.0f);
        QCOMPARE(samples.count(), 150 + 50); // one per level, one more per trim
        QCOMPARE(manager.currentAmplitude(), 0.15); // quieter than the resting level
        fixture.provider->levels(0.6f);
        QCOMPARE(manager.currentAmplitude(), double(0.6f));
        QCOMPARE(manager.normalizedSamples().last(), 0.6f);
    }

    void aLevelArrivingAfterTheManagerIsGoneIsDropped()
    {
        Fixture fixture;
        fixture.start();
        auto levels = fixture.provider->levels;
        fixture.manager.reset();
        levels(0.5f); // must not touch the destroyed manager
        settle();
    }

    void setLanguageAcceptsOnlyListedLocales()
    {
        Fixture fixture;
        fixture.provider->locales = {Locale("de-DE"), Locale("en-US")};
        auto &manager = *fixture.manager;
        QSignalSpy locale(&manager, &SpeechRecognitionManager::currentLocaleChanged);

        manager.setLanguage(Locale("fr-FR"));
        QCOMPARE(manager.currentLanguageCode(), QStringLiteral("en-US"));
        QCOMPARE(manager.errorMessage(), QStringLiteral("Language 'fr-FR' is not supported by the current provider"));
        QVERIFY(!manager.isLanguageSupported(Locale("de_DE")));
        QCOMPARE(locale.count(), 0);

        manager.setLanguageCode(QStringLiteral("de-DE"));
        QCOMPARE(manager.currentLanguageCode(), QStringLiteral("de-DE"));
        QVERIFY(!manager.errorMessage());
        manager.setLanguage(Locale("de-DE"));
        QCOMPARE(locale.count(), 1);

        fixture.start();
        QCOMPARE(fixture.provider->microphoneLocales, QStringList{"de-DE"});
    }

    void supportedLanguagesNameEachLocaleTwiceAndSortPlainly()
    {
        Fixture fixture;
        fixture.provider->locales = {Locale("fr-FR"), Locale("xx-YY"), Locale("de-DE"), Locale("en-US"), Locale("ee-GH")};
        auto &names = fixture.localeServices->names;
        names[{"fr-FR", "en-US"}] = "French (France)";
        names[{"fr-FR", "fr-FR"}] = "français (France)";
        names[{"de-DE", "en-US"}] = "German (Germany)";
        names[{"de-DE", "de-DE"}] = "Deutsch (Deutschland)";
        names[{"en-US", "en-US"}] = "English (United States)";
        names[{"ee-GH", "en-US"}] = QString::fromUtf8("\xc3\x89w\xc3\xa9 (Ghana)"); // Éwé sorts after ASCII
        names[{"ee-GH", "ee-GH"}] = QStringLiteral("Eʋegbe (Ghana nutome)");

        QStringList got;
        for (const auto &language : fixture.manager->supportedLanguages()) {
            got.append(language.name);
            QCOMPARE(language.locale.identifier(), language.code);
        }
        const QStringList expected{
            "English (United States) - English (United States) [en-US]",
            "French (France) - français (France) [fr-FR]",
            "German (Germany) - Deutsch (Deutschland) [de-DE]",
            "xx-YY - xx-YY [xx-YY]",
            QString::fromUtf8("\xc3\x89w\xc3\xa9 (Ghana) - ") + QStringLiteral("Eʋegbe (Ghana nutome) [ee-GH]"),
        };
        QCOMPARE(got, expected);

        const QVariantList forQml = fixture.manager->supportedLanguagesForQml();
        QCOMPARE(forQml.size(), 5);
        QCOMPARE(forQml[2].toMap().value("code").toString(), QStringLiteral("de-DE"));
        QCOMPARE(forQml[2].toMap().value("name").toString(), expected[2]);
    }

    void currentLanguageNameUsesTheLanguagePart_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("name");
        QTest::newRow("named") << "de-DE" << "German";
        QTest::newRow("leading hyphen") << "-de-DE" << "German";
        QTest::newRow("no name known") << "xx-YY" << "xx-YY";
        QTest::newRow("no language part") << "--" << "--";
        QTest::newRow("empty") << "" << "";
    }

    void currentLanguageNameUsesTheLanguagePart()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, name);
        Fixture fixture;
        fixture.localeServices->user = Locale("en-GB");
        fixture.localeServices->names[{"de", "en-GB"}] = "German";
        fixture.manager->setCurrentLocale(Locale(identifier));
        QCOMPARE(fixture.manager->currentLacnguageName(), name);
    }

    void anUnchangedValueNotifiesNobody()
    {
        Fixture fixture;
        settle();
        auto &manager = *fixture.manager;
        QSignalSpy error(&manager, &SpeechRecognitionManager::errorMessageChanged);
        QSignalSpy samples(&manager, &SpeechRecognitionManager::normalizedSamplesChanged);
        manager.setErrorMessage(std::nullopt);
        manager.setNormalizedSamples({});
        QCOMPARE(error.count() + samples.count(), 0);

        manager.setErrorMessage(QString()); // present but empty differs from absent
        QCOMPARE(error.count(), 1);
        manager.setNormalizedSamples({0.1f});
        manager.setNormalizedSamples({0.1f});
        QCOMPARE(samples.count(), 1);
    }

    void fileTranscriptionFillsTheTranscriptOrSaysWhy()
    {
        Fixture fixture;
        auto &manager = *fixture.manager;
        fixture.provider->fileText = QStringLiteral("the whole file");
        manager.setErrorMessage(QStringLiteral("old"));
        QSignalSpy transcribing(&manager, &SpeechRecognitionManager::isTranscribingChanged);
        const QUrl file = QUrl::fromLocalFile("/tmp/speech.wav");

        QCoro::waitFor(manager.transcribeAudioFile(file));
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("the whole file"));
        QVERIFY(!manager.isTranscribing());
        QVERIFY(!manager.errorMessage());
        QCOMPARE(transcribing.count(), 2);
        QCOMPARE(fixture.provider->fileRequests, (QList<QPair<QUrl, QString>>{{file, "en-US"}}));

        fixture.provider->fileError = SpeechRecognitionError::recognitionFailed(std::make_exception_ptr(PlatformError("unreadable")));
        QCoro::waitFor(manager.transcribeAudioFile(file));
        QCOMPARE(manager.errorMessage(), QStringLiteral("Recognition failed: unreadable"));
        QVERIFY(manager.transcriptionResult().isEmpty());
        QVERIFY(!manager.isTranscribing());
    }

    void transcriptsAreFormattedFromTheNextTranscriptionOn()
    {
        Fixture fixture;
        auto &manager = *fixture.manager;
        const QString recognized = QStringLiteral("hello world period\ni am here");
        const auto listenTo = [&] {
            manager.stopMicrophoneTranscription();
            fixture.start();
            fixture.producer().yield(recognized);
            settle();
            return manager.transcriptionResult();
        };
        // Unformatted, the utterances (one per line) are joined by spaces. The recognizer is
        // told to expect the command words exactly when spoken punctuation will be written.
        QCOMPARE(listenTo(), QStringLiteral("hello world period i am here"));
        QVERIFY(!fixture.provider->expectsCommandWords);
        manager.setTranscriptFormatting(TranscriptFormatting{});
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("hello world period i am here")); // the next one
        QCOMPARE(listenTo(), QStringLiteral("Hello world. I am here"));
        QVERIFY(fixture.provider->expectsCommandWords);
        fixture.provider->fileText = QStringLiteral("twenty three");
        manager.setTranscriptFormatting(TranscriptFormatting{.spokenPunctuation = false});
        QCoro::waitFor(manager.transcribeAudioFile(QUrl::fromLocalFile("/tmp/speech.wav")));
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("23"));
        QVERIFY(!fixture.provider->expectsCommandWords);
        // A recognizer that writes punctuation itself is left alone.
        manager.setTranscriptFormatting(TranscriptFormatting{});
        fixture.provider->punctuates = true;
        QCOMPARE(listenTo(), QStringLiteral("hello world period i am here"));
        QVERIFY(!fixture.provider->expectsCommandWords);
    }
};

QTEST_GUILESS_MAIN(TestSpeechRecognitionManager)
#include "test_speech_recognition_manager.moc"
