// Dictation through the running program: flite speech played into the private
// sound server, Ctrl+Super+A pressed and released key by key with xdotool.
// Arguments: the sayline program and the typing target program.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString programPath;
QString targetPath;

bool run(const QString &program, const QStringList &arguments, int timeoutMs = 20000)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

void xdotool(const QStringList &arguments)
{
    QVERIFY2(run(QStringLiteral("xdotool"), arguments), qPrintable(arguments.join(' ')));
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString clipboardText()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
    xclip.waitForFinished(3000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

} // namespace

class TestDictationRoad : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;
    QProcess m_target;
    QProcess m_sayline;
    QString m_speech;

    QString typedPath() const { return m_work.filePath(QStringLiteral("typed.txt")); }
    QString saylineOutput() { return readFile(m_work.filePath(QStringLiteral("sayline.out"))); }

    void speak()
    {
        QVERIFY(run(QStringLiteral("paplay"), {m_speech}));
        QTest::qWait(2500); // the recognizer's last partial result
    }

    // The shortcut's key-up arrives while Control and Super are still down.
    void pressToggleHoldingModifiersFor(int holdMs)
    {
        xdotool({"keydown", "ctrl", "super", "a"});
        QTest::qWait(100);
        xdotool({"keyup", "a"});
        QTest::qWait(holdMs);
        xdotool({"keyup", "super", "ctrl"});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        const QString config = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Sayline"));
        QVERIFY(QDir().mkpath(config));
        QFile defaults(config + QStringLiteral("/defaults.json"));
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        defaults.write("{\"outputTargets\":\"[\\\"pasteboard\\\",\\\"autoInsert\\\"]\"}");
        defaults.close();

        const QString raw = m_work.filePath(QStringLiteral("speech.wav"));
        m_speech = m_work.filePath(QStringLiteral("padded.wav"));
        QVERIFY(run(QStringLiteral("flite"), {"-voice", "slt", "-t", "hello world this is a test", "-o", raw}));
        QVERIFY(run(QStringLiteral("sox"), {raw, m_speech, "pad", "1", "0"}));

        m_target.start(targetPath, {typedPath()});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(typedPath() + QStringLiteral(".ready")), 10000);

        m_sayline.setStandardOutputFile(m_work.filePath(QStringLiteral("sayline.out")));
        m_sayline.setStandardErrorFile(m_work.filePath(QStringLiteral("sayline.err")));
        m_sayline.start(programPath, {});
        QVERIFY(m_sayline.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(saylineOutput().contains("Start microphone transcription"), 15000);
        QTest::qWait(1000);
    }

    void cleanupTestCase()
    {
        m_sayline.kill();
        m_sayline.waitForFinished();
        m_target.kill();
        m_target.waitForFinished();
    }

    // Launch listens at once; the release with modifiers still held types the
    // text only once they are up, so the target gets letters, not shortcuts,
    // however long they stay down within the bound.
    void deliveredAfterModifiersAreReleased()
    {
        speak();
        pressToggleHoldingModifiersFor(3000);
        QTRY_VERIFY_WITH_TIMEOUT(!readFile(typedPath()).isEmpty(), 5000);
        QTest::qWait(300);
        const QString typed = readFile(typedPath());
        QVERIFY2(typed.contains(QStringLiteral("test")), qPrintable(typed));
        QCOMPARE(clipboardText(), typed);
    }

    // Modifiers held beyond the 10 s bound: the clipboard gets the text, the
    // target nothing, and the log says why.
    void modifiersHeldTooLongTypeNothing()
    {
        const QString typedBefore = readFile(typedPath());
        xdotool({"key", "ctrl+super+a"}); // a new dictation
        QTRY_VERIFY_WITH_TIMEOUT(saylineOutput().count("Start microphone transcription") == 2, 5000);
        QTest::qWait(1000);
        speak();
        pressToggleHoldingModifiersFor(11000);
        QVERIFY(saylineOutput().contains("Not typing the transcript: modifier keys still held after 10 s ("));
        QTest::qWait(500);
        QCOMPARE(readFile(typedPath()), typedBefore);
        QVERIFY(clipboardText().contains(QStringLiteral("test")));
    }
};

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fputs("usage: test_dictation_road SAYLINE TYPING_TARGET [QtTest options]\n", stderr);
        return 2;
    }
    programPath = QString::fromLocal8Bit(argv[1]);
    targetPath = QString::fromLocal8Bit(argv[2]);
    QCoreApplication app(argc, argv);
    TestDictationRoad test;
    QStringList arguments = app.arguments();
    arguments.remove(1, 2);
    return QTest::qExec(&test, arguments);
}

#include "test_dictation_road.moc"
