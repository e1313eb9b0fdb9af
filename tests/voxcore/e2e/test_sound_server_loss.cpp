// The sound server goes away: before a dictation starts, and in the middle of
// one. Each case runs as its own ctest entry (the server cannot come back).

#include "SpeechFixtures.h"

#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionManager.h>

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QThreadPool>
#include <QtTest>

using namespace speechfixtures;

class SoundServerLoss : public QObject
{
    Q_OBJECT

private slots:
    void stoppedDuringTranscription();
    void stoppedDuringRecording();
    void stoppedBeforeTranscription();
};

void SoundServerLoss::stoppedDuringTranscription()
{
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    QCoro::waitFor(manager.startMicrophoneTranscription());
    QVERIFY(manager.isTranscribing());
    std::unique_ptr<QProcess> speaker(sayIntoMic("The quick brown fox jumps over the lazy dog."));
    QVERIFY(finishedWell(speaker.get()));
    QTRY_VERIFY_WITH_TIMEOUT(manager.transcriptionResult().contains("lazy"), 10000);
    // On a busy machine the decoder trails the captured audio and still revises
    // the words; the server goes only once it has caught up.
    waitForStillness(&manager, &SpeechRecognitionManager::transcriptionResultChanged);
    const QString before = manager.transcriptionResult();

    QVERIFY(stopSoundServer());
    QTRY_VERIFY_WITH_TIMEOUT(!manager.isTranscribing(), 5000);
    QVERIFY2(manager.errorMessageText().startsWith("Audio engine error: Connection to the sound server lost")
                 || manager.errorMessageText().startsWith("Audio engine error: Audio capture stream ended"),
             qPrintable(manager.errorMessageText()));
    QCOMPARE(manager.transcriptionResult(), before); // the transcript so far stays

    QElapsedTimer clock;
    clock.start();
    manager.stopMicrophoneTranscription();
    // Stopping must not hang on the vanished server; the bound only catches a hang.
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed()) + " ms"));
    QCOMPARE(manager.transcriptionResult(), before);

    // A new start now fails cleanly: without a server there is no microphone.
    QCoro::waitFor(manager.startMicrophoneTranscription());
    QCOMPARE(manager.errorMessageText(), QString("Permission denied"));
    QVERIFY(!manager.isTranscribing());
    QCOMPARE(manager.transcriptionResult(), before);
}

void SoundServerLoss::stoppedDuringRecording()
{
    RecordingManager recorder;
    QTRY_VERIFY_WITH_TIMEOUT(recorder.isAuthorized(), 5000);
    QCoro::waitFor(recorder.start());
    QVERIFY(recorder.isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.normalizedSamples().isEmpty(), 5000);
    QTest::qWait(300);
    QVERIFY(stopSoundServer());
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.isRecording(), 5000);
    QVERIFY2(recorder.errorMessageText().startsWith("Recording failed: "), qPrintable(recorder.errorMessageText()));
    // What was captured before the loss stays in a valid file.
    const auto wav = readWav(recorder.currentRecordingURL()->toLocalFile());
    QVERIFY(wav);
    QCOMPARE(wav->sampleRate, 44100);
    QVERIFY(wav->frames > 44100 / 10);
}

void SoundServerLoss::stoppedBeforeTranscription()
{
    QVERIFY(stopSoundServer());
    QElapsedTimer clock;
    clock.start();
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    QCoro::waitFor(manager.startMicrophoneTranscription());
    QCOMPARE(manager.errorMessageText(), QString("Permission denied"));
    QVERIFY(!manager.isTranscribing());
    QVERIFY(!manager.isAuthorized());

    RecordingManager recorder;
    QCoro::waitFor(recorder.start());
    QCOMPARE(recorder.errorMessageText(), QString("Microphone permission required"));
    QVERIFY(!recorder.isRecording());
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    // The recorder's own check at construction runs on a worker thread: let it come back
    // before the program ends, or its waiting coroutine is left behind.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

QTEST_GUILESS_MAIN(SoundServerLoss)
#include "test_sound_server_loss.moc"
