// Training to a voice end to end, the way a user does it: the Voice page's guided session
// asks for each prompt, a flite voice the stock model recognises poorly (awb) reads it into
// the virtual microphone while the session records, the adaptation runs with its progress,
// and then real dictations in Sayline (the clipboard read back by xclip) and voxcore-cli
// transcriptions of other sentences measure the word error rate with the profile and
// without. voxcore-cli then retrains from the same recordings, is killed halfway, runs out
// of disk space, and meets a damaged profile: the previous profile is kept every time.

#include "WordErrorRate.h"

#include <VoiceSettings.h>

#include <voxcore/VoiceTrainer.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(VOXCORE_CLI);
const QString kSayline = QStringLiteral(SAYLINE_EXECUTABLE);
const QString kVoice = QStringLiteral("awb");
constexpr int kTrainingPrompts = VoiceSettings::minimumPrompts;
// The test process runs its page model off screen; the programs it starts get the display.
const char *const kDisplayVariable = "SAYLINE_TEST_DISPLAY";

// Sentences not among the prompts, read one after the other with short pauses.
const QStringList kTestSentences{
    "the children played in the park until it got dark",
    "please forward this message to the whole team",
    "my brother bought a new bicycle last summer",
    "we are out of coffee so I will stop at the shop",
    "the doctor said I should get more sleep",
    "she plays the piano every evening after work",
    "turn left at the next corner and drive straight ahead",
    "the window in the bedroom does not close properly",
    "I would like a glass of water please",
    "they are planning a big party for the new year",
    "the cat is sleeping on the kitchen chair",
    "our neighbors are painting their house green",
    "he writes a letter to his grandmother every week",
    "the bus was full so we walked to the office",
    "please call the plumber about the leaking sink",
};

struct Run
{
    int status = -1;
    QString output;
    QString errors;
};

// Waits for a program started with QProcess while the event loop runs (the recorder and the
// trainer deliver on it).
bool finishes(QProcess &process, int timeoutMs)
{
    return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)
           && process.exitStatus() == QProcess::NormalExit;
}

bool render(const QString &text, const QString &path)
{
    return QProcess::execute(QStringLiteral("flite"), {"-voice", kVoice, "-t", text, "-o", path}) == 0;
}

// Plays a file into the default sink, whose monitor is the virtual microphone.
bool play(const QString &path)
{
    QProcess player;
    player.start(QStringLiteral("paplay"), {path});
    return finishes(player, 180000) && player.exitCode() == 0;
}

QByteArray folderDigest(const QString &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QStringList files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files.append(it.next());
    files.sort();
    for (const QString &path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(path.toUtf8() + file.readAll());
    }
    return hash.result().toHex();
}

// Seconds of sound in an audio file.
double duration(const QString &path)
{
    QProcess soxi;
    soxi.start(QStringLiteral("soxi"), {"-D", path});
    soxi.waitForFinished(10000);
    return soxi.readAllStandardOutput().trimmed().toDouble();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
}

// A small tmpfs over a folder, unmounted when it goes.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &folder) : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_mounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64m,mode=0700", "tmpfs", folder}) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute("umount", {"-l", m_folder});
    }
    bool isMounted() const { return m_mounted; }
    bool resize(qint64 kilobytes)
    {
        return QProcess::execute("mount", {"-o", QStringLiteral("remount,size=%1k").arg(kilobytes), m_folder}) == 0;
    }

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

class TestVoiceTraining : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QString m_profile;
    QString m_reference;
    // Transcripts of the test sentences, by voxcore-cli and by dictation.
    QString m_stockFile, m_stockDictation;
    std::unique_ptr<QProcess> m_stockTranscription;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    std::unique_ptr<QProcess> start(const QString &program, const QStringList &arguments,
                                    const QProcessEnvironment &environment)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(program, arguments);
        return process;
    }

    Run finish(QProcess &process, int timeoutMs = 240000)
    {
        Run run;
        if (finishes(process, timeoutMs))
            run.status = process.exitCode();
        run.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    Run cli(const QStringList &arguments, const QProcessEnvironment &environment)
    {
        auto process = start(kCli, arguments, environment);
        return finish(*process);
    }
    Run cli(const QStringList &arguments) { return cli(arguments, m_environment); }

    QStringList adaptArguments() const
    {
        return {"adapt", "--language", "en-US", "--prompts", path("cli/prompts.txt"), "--recordings", path("cli")};
    }

    QString transcript(const QString &file, const QStringList &options = {})
    {
        const Run run = cli(QStringList{"transcribe", file, "--raw"} + options);
        return run.status == 0 ? run.output : QStringLiteral("<failed: %1>").arg(run.errors);
    }

    QString currentModel() const { return QFileInfo(m_profile + "/model").symLinkTarget(); }

    // Sayline's shortcut, pressed on its display.
    void pressShortcut()
    {
        auto xdotool = start("xdotool", {"key", "ctrl+super+a"}, m_environment);
        finishes(*xdotool, 10000);
    }

    // One dictation in the running Sayline: the test sentences into the microphone, the
    // shortcut, and the text it puts on the clipboard.
    QString dictate(QProcess &sayline, QString &output, int dictation)
    {
        const auto readOutput = [&] { output += QString::fromUtf8(sayline.readAll()); };
        const QString marker = QStringLiteral("before dictation %1").arg(dictation);
        auto clipboard = start("xclip", {"-selection", "clipboard"}, m_environment);
        clipboard->write(marker.toUtf8());
        clipboard->closeWriteChannel();
        if (!finishes(*clipboard, 10000))
            return "<the clipboard could not be set>";
        if (dictation > 1)
            pressShortcut();
        if (!QTest::qWaitFor([&] {
                readOutput();
                return output.count("Start microphone transcription") >= dictation;
            }, 30000))
            return "<not listening: " + output + ">";
        QTest::qWait(1000);
        if (!play(path("test.wav")))
            return "<the sentences could not be played>";
        QTest::qWait(1000);
        pressShortcut();
        QString delivered;
        QTest::qWaitFor([&] {
            readOutput();
            auto reader = start("xclip", {"-o", "-selection", "clipboard"}, m_environment);
            finishes(*reader, 5000);
            delivered = QString::fromUtf8(reader->readAllStandardOutput());
            return !delivered.isEmpty() && delivered != marker;
        }, 90000);
        return delivered == marker ? "<nothing delivered: " + output + ">" : delivered;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The profile goes to a data folder of this test's own; a second language ("en-GB")
        // is the same model under another name.
        qputenv("XDG_DATA_HOME", path("data").toUtf8());
        QVERIFY(QDir(m_dir.path()).mkpath("models"));
        for (const char *language : {"en-us", "en-gb"})
            QVERIFY(QFile::link("/usr/share/pocketsphinx/model/en-us", path("models/") + language));
        qputenv("VOXCORE_SPHINX_MODELS", path("models").toUtf8());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("DISPLAY", qEnvironmentVariable(kDisplayVariable));
        m_environment.remove("QT_QPA_PLATFORM");
        m_profile = path("data/Sayline/voices/en-US");

        // The test sentences in one file with pauses between them, as a user dictates.
        QStringList parts;
        for (int i = 0; i < kTestSentences.size(); ++i) {
            parts << path(QStringLiteral("sentence%1.wav").arg(i));
            QVERIFY(render(kTestSentences[i], parts.last()));
        }
        QStringList joining;
        for (const QString &part : parts)
            joining << part << path("pause.wav");
        QCOMPARE(QProcess::execute("sox", {parts[0], path("pause.wav"), "trim", "0", "0", "pad", "0.6", "0"}), 0);
        QCOMPARE(QProcess::execute("sox", joining << path("test.wav")), 0);
        m_reference = kTestSentences.join(' ');

        // The stock model's transcript, while the page records.
        m_stockTranscription = start(kCli, {"transcribe", path("test.wav"), "--raw", "--no-profile"}, m_environment);
    }

    void guidedSessionTrainsTheProfile()
    {
        VoiceSettings voice;
        QCOMPARE(voice.missingTools(), QString());
        QCOMPARE(voice.recordedCount(), 0);
        QVERIFY(!voice.hasProfile());
        QVERIFY(voice.promptCount() >= 60);
        QStringList read;
        QList<double> spoken;
        for (int i = 0; i < kTrainingPrompts; ++i) {
            // As the page's buttons do: "Record" (or "Next", which records the next prompt),
            // the prompt read aloud, then "Next" or, for the last, "Finish".
            voice.record();
            QTRY_VERIFY(voice.isRecording());
            QTest::qWait(300); // the user starts reading once the page shows it records
            read << voice.prompt();
            QVERIFY(render(read.last(), path("prompt.wav")));
            spoken << duration(path("prompt.wav"));
            QVERIFY(play(path("prompt.wav")));
            QTest::qWait(300);
            if (i + 1 < kTrainingPrompts)
                voice.next();
        }
        QList<double> progress;
        QStringList steps;
        connect(voice.trainer(), &VoiceTrainer::progressChanged, this, [&] {
            progress << voice.trainer()->progress();
            steps << voice.trainer()->step();
        });
        voice.finish();
        QCOMPARE(voice.recordedCount(), kTrainingPrompts);
        QTRY_VERIFY(voice.trainer()->isTraining());
        QTRY_VERIFY_WITH_TIMEOUT(!voice.trainer()->isTraining(), 240000);
        QCOMPARE(voice.trainer()->errorMessage(), QString());
        QCOMPARE(voice.trainer()->skippedPrompts(), QStringList());
        QVERIFY(voice.hasProfile() && voice.profileEnabled());
        QVERIFY2(std::is_sorted(progress.begin(), progress.end()) && progress.size() >= 3 && progress.last() == 1.0,
                 qPrintable(steps.join(", ")));
        QVERIFY(steps.contains("Collecting statistics"));

        // The recordings and the prompts they read stay with the profile, for the user alone.
        const QString recordings = m_profile + "/recordings";
        QCOMPARE(QFileInfo(recordings).permissions() & 0x0077, QFileDevice::Permissions());
        QFile prompts(recordings + "/prompts.txt");
        QVERIFY(prompts.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(prompts.readAll()).trimmed().split('\n'), read);
        // Each take holds all its prompt said.
        for (int i = 0; i < kTrainingPrompts; ++i) {
            const double recorded = duration(QStringLiteral("%1/%2.wav").arg(recordings).arg(i + 1));
            QVERIFY2(recorded > spoken[i], qPrintable(QStringLiteral("take %1: %2 s for %3 s of speech")
                                                          .arg(i + 1).arg(recorded).arg(spoken[i])));
        }
    }

    void profileLowersTheErrorRateOfItsLanguageOnly()
    {
        const Run stock = finish(*m_stockTranscription);
        QVERIFY2(stock.status == 0, qPrintable(stock.errors));
        m_stockFile = stock.output;

        // voxcore-cli decodes the file while Sayline takes the same sentences from the microphone.
        auto adapted = start(kCli, {"transcribe", path("test.wav"), "--raw"}, m_environment);
        auto otherLanguage = start(kCli, {"transcribe", path("test.wav"), "--raw", "--language", "en-GB"},
                                   m_environment);
        QProcess sayline;
        sayline.setProcessEnvironment(m_environment);
        sayline.setProcessChannelMode(QProcess::MergedChannels);
        sayline.start(kSayline);
        QString output;
        const QString withProfile = dictate(sayline, output, 1);
        // "Use my voice profile" off: the next dictation has the stock model.
        VoiceSettings voice;
        voice.setProfileEnabled(false);
        const QString withoutProfile = dictate(sayline, output, 2);
        voice.setProfileEnabled(true);
        sayline.terminate();
        finishes(sayline, 10000);

        const Run fileAdapted = finish(*adapted);
        const Run fileOtherLanguage = finish(*otherLanguage);
        QVERIFY2(fileAdapted.status == 0 && fileOtherLanguage.status == 0, qPrintable(fileAdapted.errors));
        const double fileBefore = wordErrorRate(m_reference, m_stockFile);
        const double fileAfter = wordErrorRate(m_reference, fileAdapted.output);
        const double dictationBefore = wordErrorRate(m_reference, withoutProfile);
        const double dictationAfter = wordErrorRate(m_reference, withProfile);
        qInfo("word error rate of flite %s on %lld sentences after %d prompts read through the page: "
              "transcribed %.1f %% -> %.1f %%, dictated %.1f %% -> %.1f %%",
              qPrintable(kVoice), static_cast<long long>(kTestSentences.size()), kTrainingPrompts,
              fileBefore * 100, fileAfter * 100, dictationBefore * 100, dictationAfter * 100);
        qInfo("dictated with the profile: %s", qPrintable(withProfile));
        qInfo("dictated without: %s", qPrintable(withoutProfile));
        QVERIFY2(fileAfter < fileBefore * 0.7, qPrintable(fileAdapted.output));
        QVERIFY2(dictationAfter < dictationBefore * 0.7, qPrintable(withProfile));
        // The same model under another language's name: untouched by the en-US profile.
        QCOMPARE(fileOtherLanguage.output, m_stockFile);
    }

    void commandLineRetrainsFromTheRecordings()
    {
        // The page's recordings and prompts, and one more prompt with a word the dictionary
        // lacks: it must be named.
        QVERIFY(QDir(m_dir.path()).mkpath("cli"));
        for (const QString &name : QDir(m_profile + "/recordings").entryList(QDir::Files))
            QVERIFY(QFile::copy(m_profile + "/recordings/" + name, path("cli/") + name));
        QFile prompts(path("cli/prompts.txt"));
        QVERIFY(prompts.open(QIODevice::Append));
        prompts.write("the zorblaxian ship landed\n");
        prompts.close();
        QVERIFY(QFile::copy(path("cli/1.wav"), path(QStringLiteral("cli/%1.wav").arg(kTrainingPrompts + 1))));

        const QString previous = currentModel();
        const Run trained = cli(adaptArguments());
        QVERIFY2(trained.status == 0, qPrintable(trained.errors));
        QVERIFY2(trained.errors.contains("skipped \"the zorblaxian ship landed\": unknown words: zorblaxian"),
                 qPrintable(trained.errors));
        QVERIFY(currentModel() != previous && QFileInfo(currentModel()).isDir());
        QVERIFY(!QFileInfo::exists(previous));
    }

    void killedTrainingLeavesThePreviousProfile()
    {
        const QString previous = currentModel();
        const QByteArray model = folderDigest(previous);
        auto training = start(kCli, adaptArguments(), m_environment);
        QString progress;
        QVERIFY(QTest::qWaitFor([&] {
            progress += QString::fromUtf8(training->readAllStandardError());
            return progress.contains("Collecting statistics");
        }, 120000));
        training->kill();
        finishes(*training, 10000);

        QCOMPARE(currentModel(), previous);
        QCOMPARE(folderDigest(previous), model);
    }

    // The profile on a disk too small for a training: every step of the training fails in
    // turn as the room grows, and the profile stays whole and in use.
    void fullDiskDuringTrainingLosesNothing()
    {
        SmallDisk disk(path("small"));
        if (!disk.isMounted())
            QSKIP("mounting a small tmpfs needs root");
        QProcessEnvironment environment = m_environment;
        environment.insert("XDG_DATA_HOME", path("small"));
        const QString profile = path("small/Sayline/voices/en-US");
        QVERIFY(QDir().mkpath(profile));
        QCOMPARE(QProcess::execute("cp", {"-a", currentModel(), m_profile + "/model", profile}), 0);
        const QString model = QFileInfo(profile + "/model").symLinkTarget();
        const QByteArray digest = folderDigest(model);
        const QStringList stored = entries(profile);
        const QString adapted = cli({"transcribe", path("sentence0.wav"), "--raw"}, environment).output;
        QVERIFY(!adapted.isEmpty());

        const QStorageInfo filled(profile);
        const qint64 used = filled.bytesTotal() - filled.bytesFree();
        // A training of 20 prompts needs about 50 MiB for a while. With less room it fails while
        // preparing the model, reading the recordings, in the first statistics (where bw would
        // wait for room for ever), in the second, and in the refinement.
        for (const qint64 room : {0, 16384, 24576, 32768, 40960}) {
            QVERIFY(disk.resize(used / 1024 + 64 + room));
            const Run run = cli(adaptArguments(), environment);
            QVERIFY2(run.status != 0, qPrintable(QStringLiteral("%1 KiB left: %2").arg(room).arg(run.output)));
            QVERIFY2(run.errors.contains("No space left on device"), qPrintable(run.errors));
            QCOMPARE(QFileInfo(profile + "/model").symLinkTarget(), model);
            QCOMPARE(folderDigest(model), digest);
            QCOMPARE(entries(profile), stored);
            QCOMPARE(cli({"transcribe", path("sentence0.wav"), "--raw"}, environment).output, adapted);
        }

        QVERIFY(disk.resize(64 * 1024));
        const Run run = cli(adaptArguments(), environment);
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        QVERIFY(QFileInfo(profile + "/model").symLinkTarget() != model);
    }

    void damagedProfileFallsBackToTheStockModel()
    {
        QFile means(currentModel() + "/means");
        QVERIFY(means.open(QIODevice::WriteOnly | QIODevice::Truncate));
        means.write("not a model");
        means.close();

        const Run run = cli({"transcribe", path("sentence0.wav"), "--raw"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.errors.contains("Cannot load the voice profile in " + currentModel().toUtf8()
                                     + "; recognizing with the stock model"),
                 qPrintable(run.errors));
        QCOMPARE(run.output, transcript(path("sentence0.wav"), {"--no-profile"}));
    }
};

int main(int argc, char *argv[])
{
    // The page model lives in this process without a display of its own, so nothing here
    // takes Sayline's shortcut from the X server; the programs started get the display.
    qputenv(kDisplayVariable, qgetenv("DISPLAY"));
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestVoiceTraining test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_voice_training.moc"
