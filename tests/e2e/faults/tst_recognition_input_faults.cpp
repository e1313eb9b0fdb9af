// Bad recognition input through voxcore-cli and the speech recognition manager,
// on a private sound server: audio files that are empty, cut short or not audio,
// and recognition models that are missing, unreadable or broken. Each ends with
// a clear message and a failure status, never a crash; a recording cut short
// inside its samples still gives the words it holds.

#include "FaultFiles.h"

#include <voxcore/SpeechRecognitionManager.h>

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString kCli = QStringLiteral(SAYLINE_FAULTS_VOXCORE_CLI);
const QString kSpeech = QStringLiteral(
    "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0880.wav");
const QString kModels = QStringLiteral("/usr/share/pocketsphinx/model");

struct Run
{
    int status = -1; // -1: crashed or hung
    QString output;
    QString errors;
};

// Runs voxcore-cli; `modelsFolder` set means VOXCORE_SPHINX_MODELS, `asNobody`
// drops root's power to read anything (permission checks mean nothing to root).
Run cli(const QStringList &arguments, const QString &modelsFolder = {}, bool asNobody = false)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!modelsFolder.isNull())
        environment.insert("VOXCORE_SPHINX_MODELS", modelsFolder);
    process.setProcessEnvironment(environment);
    if (asNobody && geteuid() == 0)
        process.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", kCli} + arguments);
    else
        process.start(kCli, arguments);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray speechBytes()
{
    return readFile(kSpeech);
}

// A copy of the installed English model under `folder`/en-us.
bool copyModel(const QString &folder)
{
    return QProcess::execute("cp", {"-r", kModels + "/en-us", folder + "/en-us"}) == 0;
}

} // namespace

class RecognitionInputFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void badAudioFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray speech = speechBytes();
        QVERIFY(speech.size() > 44);
        QTest::newRow("empty file") << QByteArray() << "Format not recognised";
        QTest::newRow("header, no samples") << speech.left(44) << "has no audio";
        QTest::newRow("cut inside the header") << speech.left(30) << "Cannot read audio file";
        QTest::newRow("text") << QByteArray("hello, this is no audio\n") << "Format not recognised";
        QByteArray noise(20000, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("binary garbage") << noise << "Format not recognised";
    }

    void badAudioFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(QString("bad-%1.wav").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(writeFile(path, content));
        const Run run = cli({"transcribe", path, "--language", "en-US"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.errors.contains("Recognition failed: ") && run.errors.contains(message), qPrintable(run.errors));
        QVERIFY2(run.errors.contains(path), qPrintable(run.errors));
    }

    void aDirectoryIsNoAudioFile()
    {
        const Run run = cli({"transcribe", m_dir.path(), "--language", "en-US"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.errors.contains("cannot read " + m_dir.path()), qPrintable(run.errors));
    }

    void recordingCutInsideItsSamplesKeepsItsWords()
    {
        // The reference is "he was not an ill disposed young man"; the first 60 % holds the start.
        const QByteArray speech = speechBytes();
        const QString path = m_dir.filePath("cut.wav");
        QVERIFY(writeFile(path, speech.left(speech.size() * 6 / 10)));
        const Run run = cli({"transcribe", path, "--language", "en-US", "--raw"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.output.contains("he was not"), qPrintable(run.output));
        QVERIFY2(!run.output.contains("young man"), qPrintable(run.output));
    }

    void missingModels_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("otherLanguages");
        const QString base = m_dir.filePath("models");
        QVERIFY(QDir().mkpath(base + "/empty"));
        QVERIFY(QDir().mkpath(base + "/other-language/de-de"));
        QVERIFY(copyModel(base + "/other-language"));
        QVERIFY(QDir(base + "/other-language").rename("en-us", "fr-fr"));
        QVERIFY(writeFile(base + "/a-file", "not a folder"));
        QVERIFY(QFile::link("loop", base + "/loop"));
        QVERIFY(QDir().mkpath(base + "/incomplete/en-us/en-us"));
        QVERIFY(QFile::copy(kModels + "/en-us/en-us.lm.bin", base + "/incomplete/en-us/en-us.lm.bin"));
        QTest::newRow("no such folder") << base + "/absent" << false;
        QTest::newRow("empty folder") << base + "/empty" << false;
        QTest::newRow("other languages only") << base + "/other-language" << true;
        QTest::newRow("a file, not a folder") << base + "/a-file" << false;
        QTest::newRow("symbolic link loop") << base + "/loop" << false;
        QTest::newRow("model without dictionary") << base + "/incomplete" << false;
    }

    void missingModels()
    {
        QFETCH(QString, folder);
        QFETCH(bool, otherLanguages);
        const Run transcribe = cli({"transcribe", kSpeech}, folder); // in English
        QCOMPARE(transcribe.status, 1);
        QVERIFY2(transcribe.errors.contains("Speech recognition is not available"), qPrintable(transcribe.errors));
        const Run languages = cli({"languages"}, folder);
        if (otherLanguages) {
            QCOMPARE(languages.status, 0);
            QVERIFY2(languages.output.contains("[fr-FR]") && !languages.output.contains("[en-US]"), qPrintable(languages.output));
            return;
        }
        QCOMPARE(languages.status, 1);
        QVERIFY2(languages.errors.contains("no speech recognition languages are installed"), qPrintable(languages.errors));
    }

    void modelFolderNobodyMayRead()
    {
        const QString base = m_dir.filePath("locked");
        QVERIFY(QDir().mkpath(base));
        QVERIFY(copyModel(base));
        // The way down must be open to the unprivileged user, the models folder itself not.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                        | QFileDevice::ExeOther | QFileDevice::ExeGroup));
        QVERIFY(QFile::setPermissions(base, QFileDevice::WriteOwner));
        const Run languages = cli({"languages"}, base, true);
        QVERIFY(QFile::setPermissions(base, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther));
        QCOMPARE(languages.status, 1);
        QVERIFY2(languages.errors.contains("no speech recognition languages are installed"), qPrintable(languages.errors));

        // The same models, readable, are found: the failure above was the permission.
        const Run readable = cli({"languages"}, base, true);
        QCOMPARE(readable.status, 0);
        QVERIFY2(readable.output.contains("[en-US]"), qPrintable(readable.output));
    }

    void brokenModels_data()
    {
        QTest::addColumn<QString>("folder");
        const QString empty = m_dir.filePath("broken-empty");
        QVERIFY(QDir().mkpath(empty));
        QVERIFY(copyModel(empty));
        QVERIFY(writeFile(empty + "/en-us/en-us/means", QByteArray()));
        const QString garbage = m_dir.filePath("broken-garbage");
        QVERIFY(QDir().mkpath(garbage));
        QVERIFY(copyModel(garbage));
        QVERIFY(writeFile(garbage + "/en-us/en-us/mdef", QByteArray("0.3\n garbage garbage\n")));
        const QString unreadable = m_dir.filePath("broken-unreadable");
        QVERIFY(QDir().mkpath(unreadable));
        QVERIFY(copyModel(unreadable));
        QVERIFY(QFile::remove(unreadable + "/en-us/en-us/variances"));
        QVERIFY(QFile::link("variances", unreadable + "/en-us/en-us/variances"));
        QTest::newRow("empty acoustic parameters") << empty;
        QTest::newRow("garbled model definition") << garbage;
        QTest::newRow("acoustic parameters unreadable") << unreadable;
    }

    void brokenModels()
    {
        QFETCH(QString, folder);
        const Run run = cli({"transcribe", kSpeech}, folder);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.errors.contains("Recognition failed: Cannot load the speech model in " + folder + "/en-us"),
                 qPrintable(run.errors));
    }

    void managerWithoutModelsSaysSo()
    {
        const QString empty = m_dir.filePath("manager-empty");
        QVERIFY(QDir().mkpath(empty));
        qputenv("VOXCORE_SPHINX_MODELS", empty.toLocal8Bit());
        {
            SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
            QVERIFY(manager.supportedLanguages().isEmpty());
            QCoro::waitFor(manager.startMicrophoneTranscription());
            QCOMPARE(manager.errorMessageText(), QString("Speech recognition is not available"));
            QVERIFY(!manager.isTranscribing());
            QCoro::waitFor(manager.transcribeAudioFile(QUrl::fromLocalFile(kSpeech)));
            QCOMPARE(manager.errorMessageText(), QString("Speech recognition is not available"));
            QVERIFY(!manager.isTranscribing());
            manager.stopMicrophoneTranscription();
        }
        qunsetenv("VOXCORE_SPHINX_MODELS");
        // With the models back the same process recognises again.
        SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
        QCoro::waitFor(manager.transcribeAudioFile(QUrl::fromLocalFile(kSpeech)));
        QCOMPARE(manager.errorMessageText(), QString());
        QVERIFY2(manager.transcriptionResult().contains("young man"), qPrintable(manager.transcriptionResult()));
    }
};

QTEST_GUILESS_MAIN(RecognitionInputFaults)
#include "tst_recognition_input_faults.moc"
