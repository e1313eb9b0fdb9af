// Audio files whose header claims an absurd sample rate, given to voxcore-cli
// transcribe. A few hertz would be resampled up to the decoder's 16 kHz into
// hours of samples; such a file is refused at once with a clear message, while
// real low rates such as telephone audio are still read.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

// A 16-bit mono WAV of `frames` samples of a 440 Hz tone, with the given rate in its header.
QByteArray wavFile(quint32 sampleRate, quint32 frames)
{
    QByteArray data(int(frames * 2), '\0');
    for (quint32 i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(i * 0.3)), data.data() + 2 * i);
    QByteArray header(44, '\0');
    char *h = header.data();
    memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + data.size(), h + 4);
    memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20);            // PCM
    qToLittleEndian<quint16>(1, h + 22);            // mono
    qToLittleEndian<quint32>(sampleRate, h + 24);
    qToLittleEndian<quint32>(sampleRate * 2, h + 28);
    qToLittleEndian<quint16>(2, h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(data.size(), h + 40);
    return header + data;
}

} // namespace

class AudioFileHeaders : public QObject
{
    Q_OBJECT

private slots:
    void sampleRates_data()
    {
        QTest::addColumn<quint32>("sampleRate");
        QTest::addColumn<bool>("refused");
        // 16000 frames at 1 Hz once kept the reader busy for hours of decoding.
        QTest::newRow("1 Hz") << quint32(1) << true;
        QTest::newRow("999 Hz") << quint32(999) << true;
        QTest::newRow("8 kHz telephone audio") << quint32(8000) << false;
    }

    void sampleRates()
    {
        QFETCH(quint32, sampleRate);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(wavFile(sampleRate, 16000));
        file.close();

        QProcess cli;
        cli.start(QStringLiteral(VOXCORE_CLI), {"transcribe", path, "--language", "en-US"});
        const bool ended = cli.waitForFinished(60000);
        if (!ended) {
            cli.kill();
            cli.waitForFinished();
        }
        QVERIFY2(ended, "transcribe did not end within a minute");
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromUtf8(cli.readAllStandardError());
        if (refused) {
            QCOMPARE(cli.exitCode(), 1);
            QVERIFY2(errors.contains(QStringLiteral("has a sample rate of %1 Hz, too low for speech").arg(sampleRate)),
                     qPrintable(errors));
            QVERIFY2(errors.contains(path), qPrintable(errors));
        } else {
            QVERIFY2(!errors.contains(QStringLiteral("too low for speech")), qPrintable(errors));
            QCOMPARE(cli.exitCode(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(AudioFileHeaders)
#include "test_audio_file_headers.moc"
