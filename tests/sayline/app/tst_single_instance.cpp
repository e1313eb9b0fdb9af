#include "MainApp.h"
#include "SingleInstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    static QString freshKey() { return QUuid::createUuid().toString(QUuid::Id128); }

private slots:
    void secondClaimOfTheSameSessionFails()
    {
        const QString key = freshKey();
        SingleInstance first(key);
        QVERIFY(first.claim());
        SingleInstance second(key);
        QVERIFY(!second.claim());
        // Another session is independent.
        SingleInstance other(freshKey());
        QVERIFY(other.claim());
    }

    void laterLaunchAsksTheRunningOneToStartDictation()
    {
        const QString key = freshKey();
        SingleInstance running(key);
        QVERIFY(running.claim());
        QSignalSpy requested(&running, &SingleInstance::dictationRequested);

        // The request blocks while it writes, so it runs in another process.
        QProcess later;
        later.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--request"), key});
        QVERIFY(requested.wait(5000));
        if (later.state() != QProcess::NotRunning)
            QVERIFY(later.waitForFinished(5000));
        QCOMPARE(later.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.exitCode(), 0);
        QCOMPARE(requested.count(), 1);
    }

    void requestWithoutARunningInstanceFails()
    {
        SingleInstance nobody(freshKey());
        QVERIFY(!nobody.requestDictationFromRunningInstance(300));
    }

    void claimIsFreeAgainWhenTheHolderIsGone()
    {
        const QString key = freshKey();
        {
            SingleInstance first(key);
            QVERIFY(first.claim());
        }
        SingleInstance next(key);
        QVERIFY(next.claim());
    }

    void previewsFlag_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("set");
        QTest::addColumn<bool>("expected");
        QTest::newRow("absent") << QByteArray() << false << false;
        QTest::newRow("one") << QByteArray("1") << true << true;
        QTest::newRow("zero") << QByteArray("0") << true << false;
        QTest::newRow("true") << QByteArray("true") << true << false;
    }

    void previewsFlag()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, set);
        QFETCH(bool, expected);
        if (set)
            qputenv("XCODE_RUNNING_FOR_PREVIEWS", value);
        else
            qunsetenv("XCODE_RUNNING_FOR_PREVIEWS");
        QCOMPARE(MainApp::isRunningForPreviews(), expected);
        qunsetenv("XCODE_RUNNING_FOR_PREVIEWS");
    }
};

int main(int argc, char *argv[])
{
    // Helper mode for the hand-over test: act as the later launch.
    if (argc == 3 && qstrcmp(argv[1], "--request") == 0) {
        QCoreApplication app(argc, argv);
        SingleInstance later(QString::fromLocal8Bit(argv[2]));
        return !later.claim() && later.requestDictationFromRunningInstance() ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_single_instance.moc"
