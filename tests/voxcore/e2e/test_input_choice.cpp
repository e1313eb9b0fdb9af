// Choosing the microphone, through voxcore-cli: two inputs (the monitors of two null sinks),
// speech played into the second one only; an input that goes away during a dictation (the
// sound server moves the capture to the default input), and one that is missing when a
// dictation starts.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(VOXCORE_CLI);
const QString kSentence = QStringLiteral("please call the plumber about the leaking sink");

struct Run
{
    int status = -1;
    QString output;
    QString errors;
};

QString pactl(const QStringList &arguments)
{
    QProcess process;
    process.start("pactl", arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestInputChoice : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_secondModule;

    QString speech() const { return m_dir.filePath("speech.wav"); }

    // Listens on `input` (until the words stop, at most `seconds`) while the sentence plays
    // into `sink`; `during` runs once the speech has been played.
    Run listenWhileSaying(const QString &input, const QString &sink, int seconds = 40,
                          const std::function<void()> &during = {})
    {
        QProcess listener;
        listener.start(kCli, {"listen", "--input", input, "--until-silence", "--silence", "3", "--seconds",
                              QString::number(seconds)});
        QTest::qWait(2000);
        QProcess::execute("paplay", {"--device=" + sink, speech()});
        if (during)
            during();
        Run run;
        if (listener.waitForFinished(60000) && listener.exitStatus() == QProcess::NormalExit)
            run.status = listener.exitCode();
        run.output = QString::fromUtf8(listener.readAllStandardOutput());
        run.errors = QString::fromUtf8(listener.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_secondModule = pactl({"load-module", "module-null-sink", "sink_name=second",
                                "sink_properties=device.description=Second"});
        QVERIFY(!m_secondModule.isEmpty());
        // A second of silence first: an idle null sink loses the start of a new stream.
        QCOMPARE(QProcess::execute("flite", {"-voice", "slt", "-t", kSentence, "-o", m_dir.filePath("raw.wav")}), 0);
        QCOMPARE(QProcess::execute("sox", {m_dir.filePath("raw.wav"), speech(), "pad", "1", "0"}), 0);
    }

    void inputsAreListedByDescription()
    {
        QProcess inputs;
        inputs.start(kCli, {"inputs"});
        QVERIFY(inputs.waitForFinished(20000));
        const QStringList lines = QString::fromUtf8(inputs.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.contains("second.monitor\tMonitor of Second"), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains("virtmic_sink.monitor\tMonitor of VirtualMicrophone"), qPrintable(lines.join('|')));
    }

    void onlyTheChosenInputHearsTheSpeech_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("hears");
        QTest::addColumn<int>("seconds"); // silence never ends a dictation by itself
        QTest::newRow("second, spoken into") << "second.monitor" << true << 40;
        QTest::newRow("first, silent") << "virtmic_sink.monitor" << false << 10;
    }

    void onlyTheChosenInputHearsTheSpeech()
    {
        QFETCH(QString, input);
        QFETCH(bool, hears);
        QFETCH(int, seconds);
        const Run run = listenWhileSaying(input, "second", seconds);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.output.contains("plumber") == hears, qPrintable(run.output));
    }

    void anInputThatGoesAwayGivesWayToTheDefault()
    {
        const Run unplugged = listenWhileSaying("second.monitor", "second", 10,
                                                [&] { pactl({"unload-module", m_secondModule}); });
        QCOMPARE(unplugged.status, 0);
        QVERIFY2(unplugged.errors.contains(
                     "The chosen input \"second.monitor\" went away; capturing from \"virtmic_sink.monitor\" now"),
                 qPrintable(unplugged.errors));

        const Run next = listenWhileSaying("second.monitor", "virtmic_sink");
        QVERIFY2(next.errors.contains("The chosen input \"second.monitor\" is not available; using the default input"),
                 qPrintable(next.errors));
        QCOMPARE(next.status, 0);
        QVERIFY2(next.output.contains("plumber"), qPrintable(next.output));
    }
};

QTEST_GUILESS_MAIN(TestInputChoice)
#include "test_input_choice.moc"
