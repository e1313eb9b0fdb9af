// RecordingManager on the real sound server: what is played into the test
// sink ends up in the WAV file, at 16-bit mono 44100 Hz and at its real length.

#include "SpeechFixtures.h"

#include <voxcore/RecordingManager.h>

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace speechfixtures;

namespace {

// First and last 10 ms window whose RMS exceeds `threshold`, in seconds.
std::pair<double, double> loudSpan(const QList<qint16> &samples, int rate, double threshold)
{
    const int window = rate / 100;
    double first = -1, last = -1;
    for (qsizetype start = 0; start + window <= samples.size(); start += window) {
        double sum = 0;
        for (qsizetype i = start; i < start + window; ++i)
            sum += double(samples[i]) * samples[i];
        if (std::sqrt(sum / window) / 32768.0 > threshold) {
            if (first < 0)
                first = double(start) / rate;
            last = double(start + window) / rate;
        }
    }
    return {first, last};
}

} // namespace

class Recording : public QObject
{
    Q_OBJECT

private slots:
    void recordsWhatWasPlayed();
};

void Recording::recordsWhatWasPlayed()
{
    QTemporaryDir folder;
    RecordingManager recorder;
    QTRY_VERIFY_WITH_TIMEOUT(recorder.isAuthorized(), 5000);

    // An idle null sink starts delivering to a new capture stream only at its
    // next wake-up (up to 2 s later); the file starts with the first buffer,
    // which the first level announces.
    QElapsedTimer clock;
    clock.start();
    qint64 firstBufferAt = -1;
    connect(&recorder, &RecordingManager::normalizedSamplesChanged, this, [&] {
        if (firstBufferAt < 0 && !recorder.normalizedSamples().isEmpty())
            firstBufferAt = clock.elapsed();
    });
    QCoro::waitFor(recorder.start());
    QVERIFY2(!recorder.errorMessage(), qPrintable(recorder.errorMessageText()));
    QVERIFY(recorder.isRecording());
    const QString played = folder.filePath("played.wav");
    std::unique_ptr<QProcess> speaker(sayIntoMic("Recording a short message for the test.", played));
    QVERIFY(finishedWell(speaker.get()));
    QTest::qWait(500);
    recorder.stop();
    QVERIFY(firstBufferAt >= 0);
    const double capturing = (clock.elapsed() - firstBufferAt) / 1000.0;

    QVERIFY(recorder.hasRecording());
    const QString path = recorder.currentRecordingURL()->toLocalFile();
    QVERIFY2(QFileInfo(path).fileName().startsWith("recording_"), qPrintable(path));
    QVERIFY(path.startsWith(qEnvironmentVariable("XDG_CACHE_HOME") + "/Sayline/"));
    const auto wav = readWav(path);
    QVERIFY(wav);
    QVERIFY2(isMono16Bit44100(*wav), qPrintable(QStringLiteral("format %1, %2 channels, %3 Hz, %4 bits")
                                                     .arg(wav->audioFormat).arg(wav->channels)
                                                     .arg(wav->sampleRate).arg(wav->bitsPerSample)));

    // The file covers the capture from its first buffer to the stop (give or
    // take the buffer in flight and the level's trip to the main thread).
    const double fileSeconds = double(wav->frames) / 44100;
    qInfo("file %.3f s, captured for %.3f s, timer %.1f s", fileSeconds, capturing, recorder.recordedDuration());
    QVERIFY2(std::abs(fileSeconds - capturing) < 0.15, qPrintable(QString::number(fileSeconds)));
    QVERIFY(recorder.recordedDuration() > 1.0);

    // The speech in the file lasts as long as the speech that was played: a
    // file written at the wrong rate or channel count stretches or squeezes it.
    const auto reference = readWav(played);
    QVERIFY(reference);
    const auto [playedStart, playedEnd] = loudSpan(reference->samples, reference->sampleRate, 0.02);
    const auto [heardStart, heardEnd] = loudSpan(wav->samples, 44100, 0.02);
    QVERIFY(playedStart >= 0 && heardStart >= 0);
    const double playedLength = playedEnd - playedStart, heardLength = heardEnd - heardStart;
    qInfo("speech played %.3f s, recorded %.3f s", playedLength, heardLength);
    QVERIFY2(std::abs(heardLength - playedLength) < 0.05, qPrintable(QString::number(heardLength)));

    recorder.clear();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(recorder.recordingState(), RecordingState::idle);
}

QTEST_GUILESS_MAIN(Recording)
#include "test_recording.moc"
