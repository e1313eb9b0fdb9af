// AppleSpeechProvider on fake recognizer and audio engine: locales, authorization, the input
// level, microphone and file transcription with their log lines, stopping, and a stop
// followed at once by a new start.

#include <voxcore/AppleSpeechProvider.h>
#include <voxcore/SpeechRecognitionError.h>
#include <voxcore/SpeechRecognitionManager.h>

#include "AwaitOutcome.h"
#include "FakePlatform.h"
#include "OutputCapture.h"
#include "TranscriptConsumer.h"

#include <QCoro/QCoroTask>
#include <QTest>

#include <thread>

namespace {

struct Rig
{
    Rig()
    {
        speech->serve({"en-US", "de-DE"});
        provider = std::make_unique<AppleSpeechProvider>(speech, engines.factory());
    }
    std::shared_ptr<FakeSpeechRecognition> speech = std::make_shared<FakeSpeechRecognition>();
    FakeAudioEngines engines;
    std::unique_ptr<AppleSpeechProvider> provider;
    QList<float> levels;

    TranscriptStream startMicrophone(const QString &locale = "en-US")
    {
        return *startMicrophoneOutcome(locale).value;
    }
    Outcome<TranscriptStream> startMicrophoneOutcome(const QString &locale)
    {
        return awaitOutcome(provider->transcribeMicrophone(Locale(locale), [this](float level) { levels.append(level); }));
    }
    std::shared_ptr<FakeAudioBufferTask> task(const QString &locale = "en-US") const
    {
        return speech->recognizerFor(locale)->liveTasks.last();
    }
};

// On a thread of its own, as the recognizer's callbacks arrive.
template<typename Work>
void fromRecognizerThread(Work work)
{
    std::thread(work).join();
}

// The manager on the real provider, over the same fake services.
struct ManagerRig : Rig
{
    SpeechRecognitionManager manager{std::make_unique<AppleSpeechProvider>(speech, engines.factory()),
                                     std::make_shared<FakeMicrophone>(), std::make_shared<FakeLocaleServices>()};

    // Starts a dictation whose recognizer has reported `words` so far.
    std::shared_ptr<FakeAudioBufferTask> dictate(const QString &words)
    {
        QCoro::waitFor(manager.startMicrophoneTranscription());
        auto live = task();
        fromRecognizerThread([live, words] { live->deliver(words); });
        settle();
        return live;
    }
};

} // namespace

class TestAppleSpeechProvider : public QObject
{
    Q_OBJECT

private slots:
    void supportedLocalesAreSortedByIdentifier()
    {
        Rig rig;
        rig.speech->serve({"fr-FR", "en-GB", "zh-Hans-CN", "de-AT"});
        QStringList identifiers;
        for (const Locale &locale : rig.provider->supportedLocales())
            identifiers.append(locale.identifier());
        QCOMPARE(identifiers, (QStringList{"de-AT", "de-DE", "en-GB", "en-US", "fr-FR", "zh-Hans-CN"}));
    }

    void availabilityFollowsTheLanguageLastUsed()
    {
        Rig rig;
        QVERIFY(rig.provider->isAvailable()); // English until another language is used

        const auto outcome = awaitOutcome(rig.provider->transcribeAudioFile(QUrl::fromLocalFile("/tmp/x.wav"), Locale("it-IT")));
        QCOMPARE(outcome.error, QStringLiteral("Speech recognition is not available"));
        QVERIFY(!rig.provider->isAvailable());

        rig.speech->recognizerFor("de-DE")->available = false;
        rig.startMicrophone("en-US");
        QVERIFY(rig.provider->isAvailable());
    }

    void authorizationAsksOnlyWhileUndecided_data()
    {
        QTest::addColumn<AuthorizationStatus>("status");
        QTest::addColumn<AuthorizationStatus>("answer");
        QTest::addColumn<bool>("granted");
        QTest::addColumn<int>("requests");
        QTest::newRow("authorized") << AuthorizationStatus::authorized << AuthorizationStatus::denied << true << 0;
        QTest::newRow("denied") << AuthorizationStatus::denied << AuthorizationStatus::authorized << false << 0;
        QTest::newRow("undecided, yes") << AuthorizationStatus::notDetermined << AuthorizationStatus::authorized << true << 1;
        QTest::newRow("undecided, no") << AuthorizationStatus::notDetermined << AuthorizationStatus::denied << false << 1;
        QTest::newRow("unknown") << AuthorizationStatus(7) << AuthorizationStatus::authorized << false << 0;
    }

    void authorizationAsksOnlyWhileUndecided()
    {
        QFETCH(AuthorizationStatus, status);
        QFETCH(AuthorizationStatus, answer);
        QFETCH(bool, granted);
        QFETCH(int, requests);
        Rig rig;
        rig.speech->status = status;
        rig.speech->answer = answer;
        QCOMPARE(rig.provider->hasPermission(), status == AuthorizationStatus::authorized);
        QCOMPARE(QCoro::waitFor(rig.provider->requestAuthorization()), granted);
        QCOMPARE(rig.speech->authorizationRequests, requests);
    }

    void inputLevelIsTheFirstChannelsRmsTimesTen_data()
    {
        QTest::addColumn<PcmBuffer>("buffer");
        QTest::addColumn<float>("level"); // negative: no level
        QTest::newRow("0.05 gives 0.5") << constantBuffer(0.05f) << 0.5f;
        QTest::newRow("0.2 is capped at 1") << constantBuffer(0.2f) << 1.0f;
        QTest::newRow("negative samples") << constantBuffer(-0.05f) << 0.5f;

        PcmBuffer interleaved = constantBuffer(0.9f, 1024, 2, true);
        for (std::size_t frame = 0; frame < 1024; ++frame)
            (*interleaved.floatData)[frame * 2] = 0.05f; // left 0.05, right 0.9
        QTest::newRow("interleaved stereo: left only") << interleaved << 0.5f;

        PcmBuffer planar = constantBuffer(0.9f, 1024, 2, false);
        std::fill_n(planar.floatData->begin(), 1024, 0.05f);
        QTest::newRow("planar stereo: first plane only") << planar << 0.5f;

        PcmBuffer noFloats = constantBuffer(0.5f);
        noFloats.floatData.reset();
        QTest::newRow("no float data") << noFloats << -1.0f;
        QTest::newRow("no frames") << constantBuffer(0.5f, 0) << -1.0f;
    }

    void inputLevelIsTheFirstChannelsRmsTimesTen()
    {
        QFETCH(PcmBuffer, buffer);
        QFETCH(float, level);
        const std::optional<float> measured = AppleSpeechProvider::inputLevel(buffer);
        if (level < 0) {
            QVERIFY(!measured);
            return;
        }
        QVERIFY(measured);
        QVERIFY2(std::abs(*measured - level) < 1e-5f, qPrintable(QString::number(*measured)));
    }

    void microphoneTranscriptionStreamsResultsAndLogsThem()
    {
        OutputCapture out;
        Rig rig;
        TranscriptStream stream = rig.startMicrophone();

        auto engine = rig.engines.made.first();
        QVERIFY(rig.speech->recognizerFor("en-US")->bufferRequests.first().shouldReportPartialResults);

        // A buffer reaches the recognizer; its level reaches the callback later, on this thread.
        engine->capture(constantBuffer(0.05f));
        auto task = rig.task();
        QCOMPARE(task->appended.size(), 1);
        QVERIFY(rig.levels.isEmpty());
        settle();
        QCOMPARE(rig.levels.size(), 1);
        QVERIFY(std::abs(rig.levels.first() - 0.5f) < 1e-5f);

        fromRecognizerThread([task] {
            task->deliver("hello");
            task->deliver("hello world");
            task->handler(std::nullopt, std::nullopt);
            task->deliver("hello world again", true);
        });
        const Consumed drained = drain(stream);
        QCOMPARE(drained.elements, (QStringList{"hello", "hello world", "hello world again"}));
        QVERIFY(!drained.error);

        settle(); // the posted clean-up
        QVERIFY(!engine->running);
        QCOMPARE(engine->removeTapCalls, 1);
        QCOMPARE(task->cancelCalls, 1);

        QCOMPARE(out.text(),
                 QStringLiteral("[AppleSpeechProvider] Start microphone transcription...\n"
                                "[AppleSpeechProvider] Recognition transcription: hello, isFinal: false\n"
                                "[AppleSpeechProvider] Recognition transcription: hello world, isFinal: false\n"
                                "[AppleSpeechProvider] Recognition transcription: hello world again, isFinal: true\n"
                                "[AppleSpeechProvider] Recognition terminated\n"));
    }

    void aRecognizerErrorEndsTheStream()
    {
        OutputCapture out;
        Rig rig;
        TranscriptStream stream = rig.startMicrophone();
        auto task = rig.task();
        fromRecognizerThread([task] {
            task->deliver("partial");
            task->fail("No speech model");
            task->deliver("ignored");
        });
        const Consumed drained = drain(stream);
        QCOMPARE(drained.elements, QStringList{"partial"});
        QCOMPARE(drained.error, QStringLiteral("Recognition failed: No speech model"));
        QVERIFY(out.text().contains("[AppleSpeechProvider] Recognition task error: No speech model\n"));
    }

    void anEngineFailureEndsTheStreamAndReleasesTheCapture_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("engine will not start") << true;
        QTest::newRow("server goes away later") << false;
    }

    void anEngineFailureEndsTheStreamAndReleasesTheCapture()
    {
        QFETCH(bool, atStart);
        Rig rig;
        if (atStart)
            rig.engines.startError = QStringLiteral("Connection refused");
        TranscriptStream stream = rig.startMicrophone();
        auto engine = rig.engines.made.first();
        if (!atStart)
            fromRecognizerThread([engine] { engine->interruption("Connection refused"); });

        const Consumed drained = drain(stream);
        QCOMPARE(drained.error, QStringLiteral("Audio engine error: Connection refused"));
        settle();
        QVERIFY(engine->removeTapCalls >= 1);
        QVERIFY(!engine->tap);
        QCOMPARE(rig.task()->cancelCalls, 1);
    }

    void noRecognizerMeansNoCapture_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("available");
        QTest::newRow("language without a model") << "it-IT" << true;
        QTest::newRow("recognizer not available") << "de-DE" << false;
    }

    void noRecognizerMeansNoCapture()
    {
        QFETCH(QString, locale);
        QFETCH(bool, available);
        Rig rig;
        rig.speech->recognizerFor("de-DE")->available = available;
        QCOMPARE(rig.startMicrophoneOutcome(locale).error, QStringLiteral("Speech recognition is not available"));
        QVERIFY(rig.engines.made.isEmpty());
    }

    void stoppingCatchesUpWithTheCaptureThenEndsAudioAndCancels()
    {
        OutputCapture out;
        Rig rig;
        QCOMPARE(rig.provider->stopMicrophoneTranscription(), std::nullopt); // nothing to stop
        TranscriptStream stream = rig.startMicrophone();
        auto engine = rig.engines.made.first();
        auto task = rig.task();
        task->caughtUpTranscript = QStringLiteral("every word said");
        std::optional<bool> captureStoppedWhenAsked;
        task->whenAskedToCatchUp = [&] { captureStoppedWhenAsked = !engine->running && !engine->tap; };

        QCOMPARE(rig.provider->stopMicrophoneTranscription(), std::optional<QString>(QStringLiteral("every word said")));
        QCOMPARE(captureStoppedWhenAsked, std::optional<bool>(true)); // the audio to catch up with was final
        QCOMPARE(task->catchUpBounds, QList{AppleSpeechProvider::stopCatchUpBound});
        QCOMPARE(task->endAudioCalls, 1);
        QCOMPARE(task->cancelCalls, 1);
        QCOMPARE(engine->stopCalls, 1);
        QCOMPARE(engine->removeTapCalls, 1);
        QCOMPARE(rig.provider->stopMicrophoneTranscription(), std::nullopt); // fields are cleared: nothing twice
        QCOMPARE(task->endAudioCalls, 1);
        QCOMPARE(engine->stopCalls, 1);
        QCOMPARE(out.text().count("[AppleSpeechProvider] Stopping microphone transcription\n"), 3);
    }

    void aStopKeepsTheWordsTheRecognizerHadNotReportedYet()
    {
        ManagerRig rig;
        auto &manager = rig.manager;
        auto live = rig.dictate("call me");
        live->caughtUpTranscript = QStringLiteral("call me tomorrow");
        manager.catchUpWithSpeech(); // before delivery: the words so far, still listening
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("call me tomorrow"));
        QVERIFY(manager.isTranscribing() && rig.engines.made.last()->running);
        live->caughtUpTranscript = QStringLiteral("call me tomorrow morning");
        manager.stopMicrophoneTranscription();
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("call me tomorrow morning"));

        // A recognizer that did not catch up in time leaves the last reported words.
        rig.dictate("good night");
        manager.stopMicrophoneTranscription();
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("good night"));

        // After a failure the transcript so far stays as it was reported.
        auto task = rig.dictate("half a");
        rig.engines.made.last()->interruption(QStringLiteral("Connection to the sound server lost"));
        settle();
        task->caughtUpTranscript = QStringLiteral("half a sentence");
        manager.stopMicrophoneTranscription();
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("half a"));
    }

    void aStopFollowedAtOnceByAStartKeepsTheNewDictation()
    {
        // The language menu stops and restarts in one go: the first transcription's clean-up,
        // posted when its stream ended, must release only what that transcription made.
        ManagerRig rig;
        auto &manager = rig.manager;
        QCoro::waitFor(manager.startMicrophoneTranscription());
        manager.stopMicrophoneTranscription();
        // Permission is already granted, so the restart completes before the event loop
        // runs the first transcription's posted clean-up.
        auto restart = manager.startMicrophoneTranscription();
        QVERIFY(restart.isReady());
        settle();

        QCOMPARE(rig.engines.made.size(), 2);
        auto first = rig.engines.made[0], second = rig.engines.made[1];
        auto tasks = rig.speech->recognizerFor("en-US")->liveTasks;
        auto firstTask = tasks[0], secondTask = tasks[1];
        QVERIFY(!first->running && !first->tap);
        QVERIFY(firstTask->cancelCalls >= 1);
        QVERIFY(second->running && second->tap);
        QCOMPARE(second->stopCalls + secondTask->cancelCalls + secondTask->endAudioCalls, 0);
        QVERIFY(manager.isTranscribing());

        second->capture(constantBuffer(0.05f));
        QCOMPARE(secondTask->appended.size(), 1);
        fromRecognizerThread([secondTask] { secondTask->deliver("still listening"); });
        settle();
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("still listening"));
    }

    void fileTranscriptionWaitsForTheFinalResult()
    {
        OutputCapture out;
        Rig rig;
        auto recognizer = rig.speech->recognizerFor("de-DE");
        recognizer->answerFile = [](const RecognitionResultHandler &handler) {
            std::thread([handler] {
                handler(RecognitionResult{"guten", false}, std::nullopt);
                handler(std::nullopt, std::nullopt);
                handler(RecognitionResult{"guten Tag", true}, std::nullopt);
                handler(std::nullopt, QStringLiteral("late error, ignored"));
                handler(RecognitionResult{"late result", true}, std::nullopt);
            }).detach();
        };
        const QUrl url = QUrl::fromLocalFile("/tmp/greeting.flac");
        QCOMPARE(QCoro::waitFor(rig.provider->transcribeAudioFile(url, Locale("de-DE"))), QStringLiteral("guten Tag"));
        QCOMPARE(recognizer->fileRequests.first().url, url);
        QTest::qWait(20);
        QVERIFY2(out.text().isEmpty(), "file transcription writes no log lines");
    }

    void aFileRecognizerErrorFailsTheTranscription()
    {
        Rig rig;
        rig.speech->recognizerFor("en-US")->answerFile = [](const RecognitionResultHandler &handler) {
            handler(std::nullopt, QStringLiteral("File contains data in an unknown format"));
        };
        const auto outcome = awaitOutcome(rig.provider->transcribeAudioFile(QUrl::fromLocalFile("/tmp/x.txt"), Locale("en-US")));
        QCOMPARE(outcome.error, QStringLiteral("Recognition failed: File contains data in an unknown format"));
    }
};

QTEST_GUILESS_MAIN(TestAppleSpeechProvider)
#include "test_apple_speech_provider.moc"
