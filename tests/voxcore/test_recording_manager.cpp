// RecordingManager on fake microphone, engine, audio files and file manager: permission texts,
// the states, the file and what reaches it, failures, clearing, the live buffer stream and the
// time formats.

#include <voxcore/RecordingManager.h>

#include "AwaitOutcome.h"
#include "FakePlatform.h"

#include <QCoro/QCoroTask>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTest>

#include <chrono>

namespace {

struct Rig
{
    explicit Rig(AuthorizationStatus status = AuthorizationStatus::authorized)
        : microphone(std::make_shared<FakeMicrophone>(status)), files(std::make_shared<FakeAudioFiles>()),
          fileManager(std::make_shared<FakeFileManager>(caches.path()))
    {
        recorder = std::make_unique<RecordingManager>(microphone, engines.factory(), files, fileManager);
    }
    std::shared_ptr<FakeAudioEngine> engine() const { return engines.made.last(); }
    std::shared_ptr<FakeAudioFileWriter> file() const { return files->files.last(); }
    void start() { QCoro::waitFor(recorder->start()); }

    QTemporaryDir caches;
    std::shared_ptr<FakeMicrophone> microphone;
    FakeAudioEngines engines;
    std::shared_ptr<FakeAudioFiles> files;
    std::shared_ptr<FakeFileManager> fileManager;
    std::unique_ptr<RecordingManager> recorder;
};

double ticks(int count)
{
    double time = 0;
    for (int i = 0; i < count; ++i)
        time += 0.1;
    return time;
}

// The frame lengths of the next `count` buffers of a live stream, fewer if it ends.
QCoro::Task<QList<std::size_t>> frameLengths(PcmBufferStream stream, int count)
{
    QList<std::size_t> frames;
    for (int i = 0; i < count; ++i) {
        auto next = stream.next();
        if (auto buffer = co_await next)
            frames.append(buffer->frameLength);
    }
    co_return frames;
}

} // namespace

class TestRecordingManager : public QObject
{
    Q_OBJECT

private slots:
    // A recorder checks the permission on a worker thread as it is made; let that check come
    // back (to a recorder gone by now) before the next case, so no coroutine outlives the test.
    void cleanup()
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }

    void thePermissionRoutineSetsItsTexts_data()
    {
        QTest::addColumn<AuthorizationStatus>("status");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("authorized");
        QTest::addColumn<QString>("message"); // "kept": unchanged
        QTest::newRow("authorized") << AuthorizationStatus::authorized << false << true << "kept";
        QTest::newRow("denied") << AuthorizationStatus::denied << true << false << "Microphone access denied";
        QTest::newRow("asked, yes") << AuthorizationStatus::notDetermined << true << true << "kept";
        QTest::newRow("asked, no") << AuthorizationStatus::notDetermined << false << false << "Microphone access denied";
        QTest::newRow("unknown") << AuthorizationStatus(5) << true << false << "Unknown microphone permission status";
    }

    void thePermissionRoutineSetsItsTexts()
    {
        QFETCH(AuthorizationStatus, status);
        QFETCH(bool, answer);
        QFETCH(bool, authorized);
        QFETCH(QString, message);
        Rig rig(status);
        rig.microphone->answer = answer;
        rig.recorder->setErrorMessage(QStringLiteral("kept"));
        // Asked on a worker thread: every row changes one of the two.
        QTRY_COMPARE(rig.recorder->isAuthorized(), authorized);
        QTRY_COMPARE(rig.recorder->errorMessage(), message);
    }

    void startingWithoutPermissionSaysSo()
    {
        Rig rig(AuthorizationStatus::denied);
        QTRY_COMPARE(rig.recorder->errorMessage(), QStringLiteral("Microphone access denied"));
        rig.start();
        QCOMPARE(rig.recorder->errorMessage(), QStringLiteral("Microphone permission required"));
        QCOMPARE(rig.recorder->recordingState(), RecordingState::idle);
        QVERIFY(rig.engines.made.isEmpty());
        QVERIFY(rig.files->opened.isEmpty());
    }

    void startRecordsTheMicrophoneIntoTheCachesFolder()
    {
        Rig rig;
        rig.recorder->setErrorMessage(QStringLiteral("old"));
        const double before = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        rig.start();
        auto &recorder = *rig.recorder;
        QVERIFY(recorder.isRecording());
        QVERIFY(!recorder.errorMessage());
        QCOMPARE(recorder.currentAmplitude(), 0.15);

        const QUrl url = *recorder.currentRecordingURL();
        const QFileInfo file(url.toLocalFile());
        QCOMPARE(file.absolutePath(), QFileInfo(rig.caches.path()).absoluteFilePath());
        const auto match = QRegularExpression("^recording_(\\d+\\.\\d+)\\.wav$").match(file.fileName());
        QVERIFY2(match.hasMatch(), qPrintable(file.fileName()));
        QVERIFY(std::abs(match.captured(1).toDouble() - before) < 5);

        QCOMPARE(rig.files->opened, (QList<QUrl>{url}));

        // Buffers reach the file as captured (the file converts them) and their level the window.
        rig.engine()->capture(constantBuffer(0.05f, 1024, 2, true));
        rig.engine()->capture(constantBuffer(0.0f, 1024, 2, true));
        QCOMPARE(rig.file()->written.size(), 2);
        QCOMPARE(rig.file()->written.first().channelCount, 2);
        settle();
        QCOMPARE(recorder.normalizedSamples().size(), 2);
        QVERIFY(std::abs(recorder.normalizedSamples().first() - 0.5f) < 1e-5f);
        QCOMPARE(recorder.currentAmplitude(), 0.15);
    }

    void redundantStartsAndStopsChangeNothing()
    {
        Rig rig;
        auto &recorder = *rig.recorder;
        recorder.setRecordedDuration(4.2);
        QSignalSpy state(&recorder, &RecordingManager::recordingStateChanged);
        recorder.stop(); // not recording
        QCOMPARE(recorder.recordedDuration(), 4.2);
        QCOMPARE(state.count(), 0);

        rig.start();
        state.clear();
        QSignalSpy url(&recorder, &RecordingManager::currentRecordingURLChanged);
        QSignalSpy error(&recorder, &RecordingManager::errorMessageChanged);
        rig.start(); // already recording
        QCOMPARE(rig.engines.made.size(), 1);
        QCOMPARE(state.count() + url.count() + error.count(), 0);
    }

    void theTimerCountsTenthsUntilStop()
    {
        Rig rig;
        rig.start();
        auto &recorder = *rig.recorder;
        QVERIFY(QTest::qWaitFor([&] { return recorder.recordingTime() >= 0.25; }, 3000));
        recorder.stop();
        const double time = recorder.recordingTime();
        const int count = int(std::lround(time / 0.1));
        QCOMPARE(time, ticks(count)); // a sum of 0.1 steps, not a clock reading
        QCOMPARE(recorder.recordedDuration(), time);
        QVERIFY(recorder.hasRecording());
        QCOMPARE(recorder.recordingState(), RecordingState::stopped);
        QVERIFY(!rig.engine()->running);
        QVERIFY(!rig.engine()->tap);
        QTest::qWait(250);
        QCOMPARE(recorder.recordingTime(), time);
    }

    void aStopBeforeTheFirstTickLeavesNoRecording()
    {
        Rig rig;
        rig.start();
        rig.recorder->stop();
        QCOMPARE(rig.recorder->recordedDuration(), 0.0);
        QVERIFY(!rig.recorder->hasRecording());
        QCOMPARE(rig.recorder->recordingState(), RecordingState::stopped);
    }

    void clearStopsDeletesAndResets()
    {
        Rig rig;
        rig.start();
        rig.recorder->setRecordingTime(3.0);
        const QUrl url = *rig.recorder->currentRecordingURL();
        rig.fileManager->removeError = QStringLiteral("busy"); // left behind, and not reported
        rig.recorder->clear();
        QCOMPARE(rig.fileManager->removed, QList<QUrl>{url});
        QVERIFY(!rig.recorder->errorMessage());
        QCOMPARE(rig.recorder->recordingState(), RecordingState::idle);
        QCOMPARE(rig.recorder->recordingTime(), 0.0);
        QCOMPARE(rig.recorder->recordedDuration(), 0.0);
        QVERIFY(!rig.recorder->currentRecordingURL());
        QCOMPARE(rig.recorder->currentAmplitude(), 0.15);
        QVERIFY(!rig.engine()->running);

        rig.recorder->clear(); // nothing left to delete
        QCOMPARE(rig.fileManager->removed.size(), 1);
    }

    void aNewRecordingForgetsButKeepsTheOldFile()
    {
        Rig rig;
        rig.start();
        rig.recorder->stop();
        const QUrl first = *rig.recorder->currentRecordingURL();
        QTest::qWait(2); // a later time stamp, so a different name
        rig.start();
        QCOMPARE(rig.recorder->recordingState(), RecordingState::recording);
        QVERIFY(*rig.recorder->currentRecordingURL() != first);
        QVERIFY(rig.fileManager->removed.isEmpty());
        QCOMPARE(rig.engines.made.size(), 2);
    }

    void aFailedSetUpSaysWhyAndKeepsWhatItAssigned_data()
    {
        QTest::addColumn<QString>("engineError");
        QTest::addColumn<QString>("fileError");
        QTest::addColumn<QString>("message");
        QTest::newRow("engine will not start") << "Connection refused" << "" << "Failed to start recording: Connection refused";
        QTest::newRow("file cannot be created") << "" << "Permission denied" << "Failed to start recording: Permission denied";
    }

    void aFailedSetUpSaysWhyAndKeepsWhatItAssigned()
    {
        QFETCH(QString, engineError);
        QFETCH(QString, fileError);
        QFETCH(QString, message);
        Rig rig;
        if (!engineError.isEmpty())
            rig.engines.startError = engineError;
        if (!fileError.isEmpty())
            rig.files->openError = fileError;
        rig.start();
        QCOMPARE(rig.recorder->errorMessage(), message);
        QCOMPARE(rig.recorder->recordingState(), RecordingState::idle);
        QVERIFY(rig.recorder->currentRecordingURL());
        QCOMPARE(rig.recorder->recordingTime(), 0.0);
    }

    void aRecordingThatCannotBeWrittenEndsAndSaysSo_data()
    {
        QTest::addColumn<bool>("writeFails");
        QTest::newRow("write fails") << true;
        QTest::newRow("capture interrupted") << false;
    }

    void aRecordingThatCannotBeWrittenEndsAndSaysSo()
    {
        QFETCH(bool, writeFails);
        Rig rig;
        rig.start();
        auto engine = rig.engine();
        engine->capture(constantBuffer(0.1f));
        if (writeFails) {
            rig.file()->writeError = QStringLiteral("No space left on device");
            engine->capture(constantBuffer(0.1f));
            engine->capture(constantBuffer(0.1f));
        } else {
            engine->interruption(QStringLiteral("No space left on device"));
        }
        settle();
        QCOMPARE(rig.recorder->recordingState(), RecordingState::stopped);
        QCOMPARE(rig.recorder->errorMessage(), QStringLiteral("Recording failed: No space left on device"));
        QCOMPARE(rig.file()->written.size(), 1); // what was written stays
        QVERIFY(rig.recorder->currentRecordingURL());
        QVERIFY(!engine->running);
    }

    void aFailureReportOfAnEarlierRecordingIsIgnored()
    {
        Rig rig;
        rig.start();
        auto firstEngine = rig.engine();
        auto interruption = firstEngine->interruption;
        rig.recorder->stop();
        rig.start();
        interruption(QStringLiteral("late news"));
        settle();
        QCOMPARE(rig.recorder->recordingState(), RecordingState::recording);
        QVERIFY(!rig.recorder->errorMessage());
    }

    void theLiveStreamHandsOutRawBuffers()
    {
        Rig rig;
        settle();
        QSignalSpy samples(rig.recorder.get(), &RecordingManager::normalizedSamplesChanged);
        auto started = awaitOutcome(rig.recorder->startLiveMicrophoneInput());
        QVERIFY(started.value);
        PcmBufferStream stream = *started.value;
        auto engine = rig.engine();
        engine->capture(constantBuffer(0.25f, 512));
        engine->capture(constantBuffer(0.5f, 256));
        QCOMPARE(QCoro::waitFor(frameLengths(stream, 2)), (QList<std::size_t>{512, 256}));
        QVERIFY(rig.files->opened.isEmpty());
        QCOMPARE(samples.count(), 0);
        QCOMPARE(rig.recorder->recordingState(), RecordingState::idle);

        stream.cancel();
        settle();
        QVERIFY(!engine->running);
        QVERIFY(!engine->tap);
    }

    void theLiveStreamNeedsPermissionAndEndsWhenTheEngineWillNotStart()
    {
        Rig denied(AuthorizationStatus::denied);
        QCOMPARE(awaitOutcome(denied.recorder->startLiveMicrophoneInput()).error,
                 QStringLiteral("Microphone permission denied"));

        Rig rig;
        rig.engines.startError = QStringLiteral("Connection refused");
        auto started = awaitOutcome(rig.recorder->startLiveMicrophoneInput());
        QVERIFY(started.value);
        QVERIFY(QCoro::waitFor(frameLengths(*started.value, 1)).isEmpty()); // ends, without an error
        settle();
        QVERIFY(!rig.engine()->tap);
    }

    void timesAreFormattedFromWholeSecondsAndTruncatedHundredths_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("duration");
        QTest::newRow("12.25 s") << 12.25 << "00:12.25" << "00:12";
        QTest::newRow("75.5 s") << 75.5 << "01:15.50" << "01:15";
        QTest::newRow("an hour, minutes not capped") << 3600.0 << "60:00.00" << "60:00";
        QTest::newRow("10 ticks") << ticks(10) << "00:00.99" << "00:00";
        QTest::newRow("just below a minute") << 59.999 << "00:59.99" << "00:59";
    }

    void timesAreFormattedFromWholeSecondsAndTruncatedHundredths()
    {
        QFETCH(double, seconds);
        QFETCH(QString, time);
        QFETCH(QString, duration);
        Rig rig;
        rig.recorder->setRecordingTime(seconds);
        rig.recorder->setRecordedDuration(seconds);
        QCOMPARE(rig.recorder->getFormattedTime(), time);
        QCOMPARE(rig.recorder->getFormattedDuration(), duration);
    }

    void fileNamesCarryTheShortestExactTime_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("name");
        QTest::newRow("microseconds") << 1733512345.123456 << "recording_1733512345.123456.wav";
        QTest::newRow("whole seconds keep a fraction") << 1700000000.0 << "recording_1700000000.0.wav";
        QTest::newRow("half a second") << 1700000000.5 << "recording_1700000000.5.wav";
    }

    void fileNamesCarryTheShortestExactTime()
    {
        QFETCH(double, seconds);
        QFETCH(QString, name);
        const QString made = RecordingManager::recordingFileName(seconds);
        QCOMPARE(made, name);
        QCOMPARE(made.mid(10, made.size() - 14).toDouble(), seconds);
    }
};

QTEST_GUILESS_MAIN(TestRecordingManager)
#include "test_recording_manager.moc"
