// voxcore-cli end to end, on the private sound server and the installed recognizer model:
// listing, file transcription (with no sound server too), listening until the speaker stops or
// is interrupted, recording, a server without an input device, and the exit statuses of bad input.

#include "SpeechFixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace speechfixtures;

namespace {

const QString kCli = QStringLiteral(VOXCORE_CLI);
const QString kHumanClip = librivoxFolder + QStringLiteral("/sense_and_sensibility_01_austen_64kb-0870.wav");

struct Run
{
    int status = -1;
    QStringList lines; // standard output without the recognizer's log lines
    QString errors;
};

Run finish(QProcess &process, int timeoutMs)
{
    Run run;
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        if (!line.startsWith(QLatin1String("[AppleSpeechProvider] ")))
            run.lines.append(line);
    }
    if (!run.lines.isEmpty() && run.lines.last().isEmpty())
        run.lines.removeLast(); // after the final newline
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run cli(const QStringList &arguments, int timeoutMs = 60000, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(kCli, arguments);
    return finish(process, timeoutMs);
}

bool pactl(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("pactl"), arguments) == 0;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void listsTheInstalledLanguages()
    {
        const Run run = cli({"languages"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.lines.contains("English (United States) - English (United States) [en-US]"),
                 qPrintable(run.lines.join('|')));
    }

    void transcribesAHumanRecording()
    {
        const Run run = cli({"transcribe", kHumanClip, "--language", "en-US"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.lines.size(), 1);
        // Reference: "and mister john dashwood had then leisure to consider how much there might
        // be prudently in his power to do for them"; the middle of it is recognised reliably.
        QVERIFY2(run.lines.first().contains("leisure to consider how much there might be"), qPrintable(run.lines.first()));
    }

    // Written text by default, the recognizer's words with --raw.
    void transcribesSpokenPunctuationAndNumbersAsWritten()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath("letter.wav");
        QVERIFY(renderSpeech("thank you for the letter period. I will call you in twenty minutes.", file));
        const Run written = cli({"transcribe", file});
        QCOMPARE(written.status, 0);
        QVERIFY2(written.lines.value(0).startsWith("Thank you for the letter. I will call you in 20 minutes"),
                 qPrintable(written.lines.join('|')));
        const Run raw = cli({"transcribe", file, "--raw"});
        QVERIFY2(raw.lines.value(0).startsWith("thank you for the letter period i will call you in twenty minutes"),
                 qPrintable(raw.lines.join('|')));

        // A command word only the recognizer's command-word model knows; without that model
        // (an empty models folder) standard error says so and the stock model still writes.
        const QString rain = folder.filePath("rain.wav");
        QVERIFY(renderSpeech("it rained all day semicolon we stayed at home.", rain));
        const Run heard = cli({"transcribe", rain});
        QVERIFY2(heard.lines.value(0).endsWith("; we stayed at home"), qPrintable(heard.lines.join('|')));
        QVERIFY2(heard.errors.isEmpty(), qPrintable(heard.errors));
        QProcessEnvironment withoutModel = QProcessEnvironment::systemEnvironment();
        withoutModel.insert("VOXCORE_SPHINX_DICTATION_MODELS", folder.filePath("none"));
        const Run stock = cli({"transcribe", rain}, 60000, withoutModel);
        QCOMPARE(stock.status, 0);
        QVERIFY2(stock.lines.value(0).startsWith("It rained") && !stock.lines.value(0).contains(';'),
                 qPrintable(stock.lines.join('|')));
        QVERIFY2(stock.errors.contains("No language model for spoken punctuation in " + folder.filePath("none/en-us")),
                 qPrintable(stock.errors));
    }

    void badInputGetsAClearMessageAndAStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << 2 << "usage:";
        QTest::newRow("unknown command") << QStringList{"dance"} << 2 << "unknown command dance";
        QTest::newRow("missing file") << QStringList{"transcribe", "/nonexistent/speech.wav"} << 1
                                      << "cannot read /nonexistent/speech.wav";
        QTest::newRow("not audio") << QStringList{"transcribe", kCli} << 1 << "Recognition failed: ";
        QTest::newRow("unknown language") << QStringList{"transcribe", kHumanClip, "--language", "xx-YY"} << 2 << "Language 'xx-YY' is not supported by the current provider";
        QTest::newRow("record without seconds") << QStringList{"record", "/tmp/x.wav"} << 2 << "record needs --seconds N";
        QTest::newRow("negative seconds") << QStringList{"record", "/tmp/x.wav", "--seconds", "-1"} << 2
                                          << "--seconds needs a positive number of seconds";
    }

    void badInputGetsAClearMessageAndAStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Run run = cli(arguments);
        QCOMPARE(run.status, status);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    }

    void listensUntilTheSpeakerStops()
    {
        QProcess listener;
        listener.start(kCli, {"listen", "--until-silence", "--seconds", "40"});
        QVERIFY(listener.waitForStarted());
        QTest::qWait(500);
        std::unique_ptr<QProcess> speaker(sayIntoMic("the quick brown fox jumps over the lazy dog"));
        QVERIFY(finishedWell(speaker.get(), 30000));
        const Run run = finish(listener, 30000);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.lines.size() >= 3, qPrintable(run.lines.join('|'))); // partials, then the final line
        const QString final = run.lines.last();
        QCOMPARE(final, run.lines[run.lines.size() - 2]); // the final transcript is the last partial one
        QVERIFY2(final.startsWith("The quick brown fox") && final.endsWith("the lazy dog"), qPrintable(final));
    }

    void ctrlCStopsListeningAndPrintsTheFinalTranscript()
    {
        QProcess listener;
        listener.start(kCli, {"listen", "--raw"});
        QVERIFY(listener.waitForStarted());
        std::unique_ptr<QProcess> speaker(sayIntoMic("hello world"));
        QVERIFY(finishedWell(speaker.get(), 30000));
        QTest::qWait(1000);
        ::kill(pid_t(listener.processId()), SIGINT);
        const Run run = finish(listener, 120000); // the recognizer first decodes all it heard
        QCOMPARE(run.status, 0);
        QVERIFY(!run.lines.isEmpty());
        QVERIFY2(run.lines.last().contains("hello"), qPrintable(run.lines.join('|')));
    }

    void recordsA16BitMonoWav()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath("take.wav");
        QProcess recorder;
        recorder.start(kCli, {"record", file, "--seconds", "2"});
        QVERIFY(recorder.waitForStarted());
        std::unique_ptr<QProcess> speaker(sayIntoMic("recording test"));
        QVERIFY(finishedWell(speaker.get(), 30000));
        QCOMPARE(finish(recorder, 20000).status, 0);
        const auto wav = readWav(file);
        QVERIFY(wav && isMono16Bit44100(*wav));
    }

    void aFileNeedsNoSoundServerAndNoMicrophoneIsNoRefusal()
    {
        // No sound server at all: a file is transcribed all the same.
        QProcessEnvironment serverless = QProcessEnvironment::systemEnvironment();
        serverless.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/pulse/native"));
        const Run file = cli({"transcribe", kHumanClip}, 60000, serverless);
        QCOMPARE(file.status, 0);
        QVERIFY2(file.lines.value(0).contains("leisure to consider"), qPrintable(file.errors));

        // A server without any input device: the audio engine says so; nothing was refused.
        QVERIFY(pactl({"unload-module", "module-null-sink"}));
        const Run listen = cli({"listen", "--seconds", "5"}, 30000);
        QVERIFY(pactl({"load-module", "module-null-sink", "sink_name=virtmic_sink", "rate=44100", "channels=2"}));
        QVERIFY(pactl({"set-default-source", "virtmic_sink.monitor"}));
        QCOMPARE(listen.status, 1);
        QVERIFY2(listen.errors.contains("No audio input device is available"), qPrintable(listen.errors));
        QVERIFY2(!listen.errors.contains("Permission denied"), qPrintable(listen.errors));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
