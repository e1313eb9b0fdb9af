// The recent dictations on a real file: what the end-to-end test cannot reach
// in reasonable time (the 20-entry bound, the save interval).
#include "DictationHistory.h"
#include "UserDefaults.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestDictationHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString historyPath() const { return m_dir.filePath(QStringLiteral("data/Sayline/history.json")); }

    static QStringList texts(const DictationHistory &history)
    {
        QStringList all;
        for (const DictationHistory::Entry &entry : history.entries())
            all << entry.text;
        return all;
    }

private slots:
    void init() { QFile::remove(historyPath()); }

    // 25 dictations: the last 20, newest first, read back alike.
    void keepsTheLastTwentyNewestFirst()
    {
        UserDefaults defaults(m_dir.filePath(QStringLiteral("defaults.json")));
        QStringList expected;
        {
            DictationHistory history(historyPath(), defaults);
            for (int i = 1; i <= 25; ++i) {
                history.followDictation(QStringLiteral("dictation %1").arg(i));
                history.followDictation(QStringLiteral("dictation %1 ends").arg(i));
                history.followDictation(QString());
                if (i > 5)
                    expected.prepend(QStringLiteral("dictation %1 ends").arg(i));
            }
            QCOMPARE(texts(history), expected);
        }
        DictationHistory reread(historyPath(), defaults);
        QCOMPARE(texts(reread), expected);
        QVERIFY(reread.entries().first().time.isValid());
    }

    // A growing dictation reaches the file within the save interval, not at
    // every change; its end is written at once.
    void dictationInProgressIsSavedWithinTheInterval()
    {
        UserDefaults defaults(m_dir.filePath(QStringLiteral("defaults.json")));
        DictationHistory history(historyPath(), defaults);
        history.followDictation(QStringLiteral("hello"));
        QVERIFY(!QFile::exists(historyPath()));
        history.followDictation(QStringLiteral("hello world"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(historyPath()), int(DictationHistory::saveInterval.count()) + 500);
        history.followDictation(QStringLiteral("hello world again"));
        history.followDictation(QString());
        QCOMPARE(texts(DictationHistory(historyPath(), defaults)), QStringList{"hello world again"});
    }

    // Switched off while running: everything is forgotten, the file deleted,
    // and nothing more is kept until it is switched on again.
    void switchingOffDeletesTheFile()
    {
        UserDefaults defaults(m_dir.filePath(QStringLiteral("defaults.json")));
        DictationHistory history(historyPath(), defaults);
        history.followDictation(QStringLiteral("secret"));
        history.followDictation(QString());
        QVERIFY(QFile::exists(historyPath()));
        defaults.setBool(DictationHistory::keepSettingKey, false);
        QVERIFY(!QFile::exists(historyPath()));
        QCOMPARE(texts(history), QStringList{});
        history.followDictation(QStringLiteral("not kept"));
        history.followDictation(QString());
        QVERIFY(!QFile::exists(historyPath()));
        defaults.setBool(DictationHistory::keepSettingKey, true);
        history.followDictation(QStringLiteral("kept again"));
        history.followDictation(QString());
        QCOMPARE(texts(DictationHistory(historyPath(), defaults)), QStringList{"kept again"});
    }

    void headlineIsTheFirstWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("headline");
        QTest::newRow("short") << "hello world" << "hello world";
        QTest::newRow("six words") << "one two three four five six" << "one two three four five six";
        QTest::newRow("longer") << "one two  three\nfour five six seven" << "one two three four five six…";
    }

    void headlineIsTheFirstWords()
    {
        QFETCH(QString, text);
        QFETCH(QString, headline);
        QCOMPARE(DictationHistory::headline(text), headline);
    }
};

QTEST_GUILESS_MAIN(TestDictationHistory)
#include "test_dictation_history.moc"
