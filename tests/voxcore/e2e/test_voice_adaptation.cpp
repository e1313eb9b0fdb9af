// Training to a voice end to end through voxcore-cli: prompts read by a flite voice the
// stock model recognises poorly, the error rate on other sentences of that voice before and
// after, the profile kept to its language, a training killed halfway, a damaged profile.

#include "WordErrorRate.h"

#include <voxcore/Locale.h>
#include <voxcore/VoicePrompts.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(VOXCORE_CLI);
const QString kVoice = QStringLiteral("awb");
constexpr int kTrainingPrompts = 40;

// Sentences not among the prompts.
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

bool render(const QString &text, const QString &path)
{
    return QProcess::execute(QStringLiteral("flite"), {"-voice", kVoice, "-t", text, "-o", path}) == 0;
}

void writeLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write((lines.join('\n') + '\n').toUtf8());
}

} // namespace

class TestVoiceAdaptation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_profile;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();

    QProcess *start(const QStringList &arguments)
    {
        auto *process = new QProcess(this);
        process->setProcessEnvironment(m_environment);
        process->start(kCli, arguments);
        return process;
    }

    Run cli(const QStringList &arguments, int timeoutMs = 240000)
    {
        QProcess *process = start(arguments);
        Run run;
        if (process->waitForFinished(timeoutMs) && process->exitStatus() == QProcess::NormalExit)
            run.status = process->exitCode();
        run.output = QString::fromUtf8(process->readAllStandardOutput()).trimmed();
        run.errors = QString::fromUtf8(process->readAllStandardError());
        delete process;
        return run;
    }

    Run adapt()
    {
        return cli({"adapt", "--language", "en-US", "--prompts", m_dir.filePath("prompts.txt"), "--recordings",
                    m_dir.filePath("recordings")});
    }

    QString transcript(int sentence, const QStringList &options = {})
    {
        const Run run = cli(QStringList{"transcribe", m_dir.filePath(QStringLiteral("test/%1.wav").arg(sentence))} + options);
        return run.status == 0 ? run.output : QStringLiteral("<failed: %1>").arg(run.errors);
    }

    double errorRate(const QStringList &options)
    {
        double errors = 0, words = 0;
        for (int i = 0; i < kTestSentences.size(); ++i) {
            const double count = normalizedWords(kTestSentences[i]).size();
            errors += wordErrorRate(kTestSentences[i], transcript(i, options)) * count;
            words += count;
        }
        return errors / words;
    }

    QString currentModel() const { return QFileInfo(m_profile + "/model").symLinkTarget(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The profile goes to a data folder of this test's own; a second language ("en-GB")
        // is the same model under another name.
        m_environment.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        QVERIFY(QDir(m_dir.path()).mkpath("models"));
        for (const char *language : {"en-us", "en-gb"})
            QVERIFY(QFile::link("/usr/share/pocketsphinx/model/en-us", m_dir.filePath("models/") + language));
        m_environment.insert("VOXCORE_SPHINX_MODELS", m_dir.filePath("models"));
        m_profile = m_dir.filePath("data/Sayline/voices/en-US");

        // The prompts, and last one with a word the dictionary lacks: it must be named.
        QStringList prompts = voicePrompts(Locale("en-US")).mid(0, kTrainingPrompts);
        QCOMPARE(prompts.size(), kTrainingPrompts);
        prompts.append("the zorblaxian ship landed");
        writeLines(m_dir.filePath("prompts.txt"), prompts);
        QVERIFY(QDir(m_dir.path()).mkpath("recordings") && QDir(m_dir.path()).mkpath("test"));
        for (int i = 0; i < prompts.size(); ++i)
            QVERIFY(render(prompts[i], m_dir.filePath(QStringLiteral("recordings/%1.wav").arg(i + 1))));
        for (int i = 0; i < kTestSentences.size(); ++i)
            QVERIFY(render(kTestSentences[i], m_dir.filePath(QStringLiteral("test/%1.wav").arg(i))));
    }

    void trainingLowersTheErrorRateOfItsLanguageOnly()
    {
        const double before = errorRate({});
        const Run trained = adapt();
        QVERIFY2(trained.status == 0, qPrintable(trained.errors));
        QVERIFY2(trained.errors.contains("skipped \"the zorblaxian ship landed\": unknown words: zorblaxian"),
                 qPrintable(trained.errors));
        QVERIFY(QFileInfo(currentModel()).isDir());

        const double after = errorRate({});
        qInfo("word error rate of flite %s on %lld sentences: %.1f %% before, %.1f %% after training on %d prompts",
              qPrintable(kVoice), static_cast<long long>(kTestSentences.size()), before * 100, after * 100,
              kTrainingPrompts);
        QVERIFY2(after < before * 0.6, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
        // The same model under another language's name: untouched by the en-US profile.
        QCOMPARE(errorRate({"--language", "en-GB"}), before);
    }

    void killedTrainingLeavesThePreviousProfile()
    {
        const QString previous = currentModel();
        const QString adapted = transcript(0);
        QProcess *training = start({"adapt", "--language", "en-US", "--prompts", m_dir.filePath("prompts.txt"),
                                    "--recordings", m_dir.filePath("recordings")});
        QString progress;
        QVERIFY(QTest::qWaitFor([&] {
            training->waitForReadyRead(100);
            progress += QString::fromUtf8(training->readAllStandardError());
            return progress.contains("Collecting statistics");
        }, 120000));
        training->kill();
        training->waitForFinished();

        QCOMPARE(currentModel(), previous);
        QCOMPARE(transcript(0), adapted);
    }

    void damagedProfileFallsBackToTheStockModel()
    {
        QFile means(currentModel() + "/means");
        QVERIFY(means.open(QIODevice::WriteOnly | QIODevice::Truncate));
        means.write("not a model");
        means.close();

        const Run run = cli({"transcribe", m_dir.filePath("test/0.wav")});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.errors.contains("Cannot load the voice profile in " + currentModel().toUtf8()
                                     + "; recognizing with the stock model"),
                 qPrintable(run.errors));
        QCOMPARE(run.output, transcript(0, {"--no-profile"}));
    }
};

QTEST_GUILESS_MAIN(TestVoiceAdaptation)
#include "test_voice_adaptation.moc"
