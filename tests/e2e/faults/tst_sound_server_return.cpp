// The sound server stops in the middle of a dictation and comes back, through
// the managers the program uses: the dictation ends with a clear error and
// keeps its transcript, and once the server is back the next dictation and a
// recording work in the same process.

#include "SpeechFixtures.h"

#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionManager.h>

#include <QCoro/QCoroTask>
#include <QDir>
#include <QtTest>

using namespace speechfixtures;

namespace {

// Starts a sound server like the one with-services started, on the same socket.
std::unique_ptr<QProcess> restartSoundServer()
{
    const QString runtime = qEnvironmentVariable("SAYLINE_TEST_PULSE_DIR");
    auto server = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime);
    environment.insert("HOME", runtime);
    server->setProcessEnvironment(environment);
    server->setProcessChannelMode(QProcess::ForwardedChannels);
    server->start("pulseaudio", {"--system=false", "--exit-idle-time=-1", "-n", "-F",
                                 QFileInfo(runtime).dir().filePath("default.pa"), "--daemonize=no",
                                 "--use-pid-file=no", "--log-target=stderr", "--log-level=error"});
    return server;
}

} // namespace

class SoundServerReturn : public QObject
{
    Q_OBJECT

private slots:
    void dictationAfterTheServerIsBack()
    {
        QVERIFY(!qEnvironmentVariableIsEmpty("SAYLINE_TEST_PULSE_DIR"));
        SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
        QCoro::waitFor(manager.startMicrophoneTranscription());
        QVERIFY(manager.isTranscribing());
        std::unique_ptr<QProcess> speaker(sayIntoMic("The quick brown fox jumps over the lazy dog."));
        QVERIFY(finishedWell(speaker.get()));
        QTRY_VERIFY_WITH_TIMEOUT(manager.transcriptionResult().contains("brown"), 10000);

        QVERIFY(stopSoundServer());
        QTRY_VERIFY_WITH_TIMEOUT(!manager.isTranscribing(), 5000);
        QVERIFY2(manager.errorMessageText().startsWith("Audio engine error: "), qPrintable(manager.errorMessageText()));
        const QString before = manager.transcriptionResult();
        QVERIFY2(before.contains("brown"), qPrintable(before));
        manager.stopMicrophoneTranscription();
        QCOMPARE(manager.transcriptionResult(), before); // still there to deliver

        std::unique_ptr<QProcess> server = restartSoundServer();
        QVERIFY(QTest::qWaitFor([] { return soundServerRuns(); }, 10000));

        manager.clearTranscription();
        QCoro::waitFor(manager.startMicrophoneTranscription());
        QVERIFY2(manager.isTranscribing(), qPrintable(manager.errorMessageText()));
        QCOMPARE(manager.errorMessageText(), QString());
        speaker.reset(sayIntoMic("Testing the microphone."));
        QVERIFY(finishedWell(speaker.get()));
        QTRY_VERIFY_WITH_TIMEOUT(manager.transcriptionResult().contains("testing"), 10000);
        manager.stopMicrophoneTranscription();
        QVERIFY(!manager.isTranscribing());
        QCOMPARE(manager.errorMessageText(), QString());

        // A recording in the same process reaches the returned server too.
        RecordingManager recorder;
        QTRY_VERIFY_WITH_TIMEOUT(recorder.isAuthorized(), 5000);
        QCoro::waitFor(recorder.start());
        QVERIFY2(recorder.isRecording(), qPrintable(recorder.errorMessageText()));
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.normalizedSamples().isEmpty(), 5000);
        recorder.stop();
        const auto wav = readWav(recorder.currentRecordingURL()->toLocalFile());
        QVERIFY(wav);
        QVERIFY(wav->frames > 0);

        server->terminate();
        server->waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(SoundServerReturn)
#include "tst_sound_server_return.moc"
