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
#include <QTimer>

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

    void microphoneTranscriptionStreamsResultsAndLogsThemOnlyWhenAsked_data()
    {
        QTest::addColumn<QByteArray>("logTranscripts"); // SAYLINE_LOG_TRANSCRIPTS; empty: unset
        QTest::addColumn<bool>("logged");
        QTest::newRow("by default the words stay out of the log") << QByteArray() << false;
        QTest::newRow("asked for") << QByteArray("1") << true;
        QTest::newRow("anything else") << QByteArray("yes") << false;
    }

    void microphoneTranscriptionStreamsResultsAndLogsThemOnlyWhenAsked()
    {
        QFETCH(QByteArray, logTranscripts);
        QFETCH(bool, logged);
        if (logTranscripts.isEmpty())
            qunsetenv("SAYLINE_LOG_TRANSCRIPTS");
        else
            qputenv("SAYLINE_LOG_TRANSCRIPTS", logTranscripts);
        OutputCapture out;
        OutputCapture err(STDERR_FILENO);
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

        const QString transcripts =
            QStringLiteral("[AppleSpeechProvider] Recognition transcription: hello, isFinal: false\n"
                           "[AppleSpeechProvider] Recognition transcription: hello world, isFinal: false\n"
                           "[AppleSpeechProvider] Recognition transcription: hello world again, isFinal: true\n");
        QCOMPARE(out.text(), QStringLiteral("[AppleSpeechProvider] Start microphone transcription...\n")
                                 + (logged ? transcripts : QString())
                                 + QStringLiteral("[AppleSpeechProvider] Recognition terminated\n"));
        QCOMPARE(err.text(), QString());
        qunsetenv("SAYLINE_LOG_TRANSCRIPTS");
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

    void stoppingEndsAtOnceWithoutWaitingForTheRecognizer()
    {
        OutputCapture out;
        Rig rig;
        rig.provider->stopMicrophoneTranscription(); // nothing to stop
        TranscriptStream stream = rig.startMicrophone();
        auto engine = rig.engines.made.first();
        auto task = rig.task();

        rig.provider->stopMicrophoneTranscription();
        QCOMPARE(task->endAudioCalls, 1);
        QCOMPARE(task->cancelCalls, 1);
        QCOMPARE(engine->stopCalls, 1);
        QCOMPARE(engine->removeTapCalls, 1);
        rig.provider->stopMicrophoneTranscription(); // fields are cleared: nothing twice
        QCOMPARE(task->endAudioCalls, 1);
        QCOMPARE(engine->stopCalls, 1);
        QCOMPARE(out.text().count("[AppleSpeechProvider] Stopping microphone transcription\n"), 3);
    }

    void finishingStopsTheCaptureAtOnceAndWaitsForTheFinalResult()
    {
        Rig rig;
        QCOMPARE(QCoro::waitFor(rig.provider->finishMicrophoneTranscription()), QString()); // nothing runs
        TranscriptStream stream = rig.startMicrophone();
        auto engine = rig.engines.made.first();
        auto task = rig.task();
        std::optional<bool> captureStoppedAtEnd;
        task->whenAudioEnds = [&] { captureStoppedAtEnd = !engine->running && !engine->tap; };
        fromRecognizerThread([task] { task->deliver("every word"); });

        auto finishing = rig.provider->finishMicrophoneTranscription();
        QCOMPARE(captureStoppedAtEnd, std::optional<bool>(true)); // the audio to decode is final
        QVERIFY(!finishing.isReady());
        stream.cancel(); // the consumer lets go: recognition goes on
        settle();
        QCOMPARE(task->cancelCalls, 0);

        // A new dictation meanwhile has its own capture and task.
        TranscriptStream next = rig.startMicrophone();
        QCOMPARE(rig.engines.made.size(), 2);
        QVERIFY(rig.engines.made.last()->running);

        fromRecognizerThread([task] { task->deliver("every word said", true); });
        QCOMPARE(QCoro::waitFor(std::move(finishing)), QStringLiteral("every word said"));
        QCOMPARE(rig.task()->endAudioCalls + rig.task()->cancelCalls, 0);
    }

    void finishingWaitsWhileTheRecognizerDecodes_data()
    {
        QTest::addColumn<QString>("recognizer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("toldOnStderr");
        // The bound is 50 ms; a slow recognizer takes six times that, decoding all along.
        QTest::newRow("slow but decoding: every word") << "slow" << "secret words and more" << false;
        QTest::newRow("stuck: what there is") << "stuck" << "secret words" << true;
        QTest::newRow("failing: what there is") << "fails" << "secret words" << false;
    }

    void finishingWaitsWhileTheRecognizerDecodes()
    {
        QFETCH(QString, recognizer);
        QFETCH(QString, text);
        QFETCH(bool, toldOnStderr);
        OutputCapture err(STDERR_FILENO);
        Rig rig;
        TranscriptStream stream = rig.startMicrophone();
        auto task = rig.task();
        fromRecognizerThread([task] { task->deliver("secret words"); });
        QTimer decoding;
        int steps = 0;
        QObject::connect(&decoding, &QTimer::timeout, [&] {
            task->decoded += std::chrono::milliseconds(100);
            if (++steps == 30)
                fromRecognizerThread([task] { task->deliver("secret words and more", true); });
        });
        if (recognizer == "slow")
            decoding.start(10);
        if (recognizer == "fails")
            // Weakly: the task keeps this callback, and a task keeping itself would never go.
            task->whenAudioEnds = [weak = std::weak_ptr(task)] {
                if (const auto failing = weak.lock())
                    fromRecognizerThread([failing] { failing->fail("decoder broke"); });
            };

        QCOMPARE(QCoro::waitFor(rig.provider->finishMicrophoneTranscription(std::chrono::milliseconds(50))), text);
        QCOMPARE(task->cancelCalls, 1);
        QTest::qWait(120); // past the bound once more: nothing more happens
        const QString said = err.text();
        QCOMPARE(said.contains("decoded nothing for 0.05 s"), toldOnStderr);
        QVERIFY(!said.contains("secret"));
    }

    void aFinishedDictationKeepsItsWordsWhileTheNextOneRuns()
    {
        ManagerRig rig;
        auto &manager = rig.manager;
        auto first = rig.dictate("call me");
        auto finishing = manager.finishMicrophoneTranscription();
        QVERIFY(!manager.isTranscribing()); // at once, without the recognizer
        QVERIFY(!finishing.isReady());
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("call me"));

        manager.clearTranscription();
        auto second = rig.dictate("good night");
        fromRecognizerThread([first] { first->deliver("call me tomorrow", true); });
        QCOMPARE(QCoro::waitFor(std::move(finishing)), QStringLiteral("call me tomorrow"));
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("good night"));
        QVERIFY(manager.isTranscribing());

        // Cancelling does not wait, and leaves the words reported so far.
        manager.stopMicrophoneTranscription();
        QCOMPARE(second->cancelCalls, 1);
        QCOMPARE(manager.transcriptionResult(), QStringLiteral("good night"));

        // After a failure the transcript so far is all there is.
        rig.dictate("half a");
        rig.engines.made.last()->interruption(QStringLiteral("Connection to the sound server lost"));
        settle();
        QCOMPARE(QCoro::waitFor(manager.finishMicrophoneTranscription()), QStringLiteral("half a"));
    }

    void aStopFollowedAtOnceByAStartKeepsTheNewDictation()
    {
        // The language menu stops and restarts in one go: the first transcription's clean-up,
        // posted when its stream ended, must release only what that transcription made.
        ManagerRig rig;
        auto &manager = rig.manager;
        QCoro::waitFor(manager.startMicrophoneTranscription());
        manager.stopMicrophoneTranscription();
        // The restart asks about the microphone off the main thread; whether it or the first
        // transcription's posted clean-up runs first, the clean-up is the first's alone.
        QCoro::waitFor(manager.startMicrophoneTranscription());
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
