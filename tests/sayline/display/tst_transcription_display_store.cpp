#include "TranscriptionDisplayStore.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TranscriptionDisplayStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void growingValuesArePublishedOnceAfterStillness()
    {
        TranscriptionDisplayStore store;
        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);

        QElapsedTimer clock;
        clock.start();
        store.send(QStringLiteral("hello"));
       QTest::qWait(100);
        store.send(QStringLiteral("hello there"));
       QTest::qWait(100);
        store.send(QStringLiteral("hello there world"));
        const qint64 thirdSentAt = clock.elapsed();

        QVERIFY(published.wait(1000));
        const qint64 publishedAt = clock.elapsed();
        QCOMPARE(store.debouncedText(), QStringLiteral("hello there world"));
        QVERIFY2(publishedAt - thirdSentAt >= TranscriptionDisplayStore::debounceIntervalMs - 5,
                 qPrintable(QString::number(publishedAt - thirdSentAt)));
       QTest::qWait(400);
        QCOMPARE(published.count(), 1);
        QCOMPARE(flipped.count(), 1);
        QCOMPARE(store.animationTrigger(), true);
    }

    void nothingIsPublishedWhileValuesKeepComing()
    {
        TranscriptionDisplayStore store;
        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        for (int i = 0; i < 6; ++i) {
            store.send(QStringLiteral("word %1").arg(i));
           QTest::qWait(150);
        }
        QCOMPARE(published.count(), 0);
        QVERIFY(published.wait(1000));
        QCOMPARE(store.debouncedText(), QStringLiteral("word 5"));
    }

    void repeatedValueIsDropped()
    {
        TranscriptionDisplayStore store;
        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);
        store.send(QStringLiteral("same"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("same"), 1000);
        QCOMPARE(flipped.count(), 1);

        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        store.send(QStringLiteral("same"));
       QTest::qWait(500);
        QCOMPARE(published.count(), 0);
        QCOMPARE(flipped.count(), 1);
    }

    void valueThatReturnsAfterAnotherIsPublishedAgain()
    {
        TranscriptionDisplayStore store;
        store.send(QStringLiteral("a"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("a"), 1000);
        store.send(QStringLiteral("b"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("b"), 1000);
        store.send(QStringLiteral("a"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("a"), 1000);
    }

    void emptyTextNeverFlips()
    {
        TranscriptionDisplayStore store;
        store.send(QStringLiteral("something"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("something"), 1000);
        QCOMPARE(store.animationTrigger(), true);

        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);
        store.send(QString());
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QString(), 1000);
       QTest::qWait(50);
        QCOMPARE(flipped.count(), 0);
        QCOMPARE(store.animationTrigger(), true);
    }

    void firstEmptyValueChangesNothing()
    {
        TranscriptionDisplayStore store;
        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);
        store.send(QString());
       QTest::qWait(450);
        QCOMPARE(published.count(), 0);
        QCOMPARE(flipped.count(), 0);
    }

    void twoDifferentValuesFlipThereAndBack()
    {
        TranscriptionDisplayStore store;
        store.send(QStringLiteral("one"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("one"), 1000);
        QCOMPARE(store.animationTrigger(), true);
        store.send(QStringLiteral("two"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("two"), 1000);
        QCOMPARE(store.animationTrigger(), false);
    }

    void pendingValueIsDroppedWithTheStore()
    {
        auto *store = new TranscriptionDisplayStore;
        store->send(QStringLiteral("late"));
        delete store; // the timer goes with it; nothing fires afterwards
       QTest::qWait(400);
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");

        QStringList thirty;
        for (int i = 1; i <= 30; ++i)
            thirty << QStringLiteral("w%1").arg(i);
        const QString thirtyWords = thirty.join(QLatin1Char(' '));

        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blanks only") << QStringLiteral("  \n\t ") << QString();
        QTest::newRow("trimmed ends") << QStringLiteral("\n  hello world \n") << QStringLiteral("hello world");
        QTest::newRow("inner double space kept") << QStringLiteral("hello  world") << QStringLiteral("hello  world");
        QTest::newRow("thirty words whole") << thirtyWords << thirtyWords;
        QTest::newRow("thirty one words") << (QStringLiteral("first ") + thirtyWords)
                                          << (QStringLiteral("...") + thirtyWords);
        QTest::newRow("shortened line gets single spaces")
            << (QStringLiteral("first  ") + thirty.join(QStringLiteral("  ")))
            << (QStringLiteral("...") + thirtyWords);
        // Only U+0020 separates words: a tab keeps two words together.
        QStringList withTab = thirty;
        withTab[0] = QStringLiteral("a\tb");
        QTest::newRow("tab is no separator") << withTab.join(QLatin1Char(' ')) << withTab.join(QLatin1Char(' '));
    }

    void displayText()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(TranscriptionDisplayStore::displayText(input), expected);
    }
};

QTEST_GUILESS_MAIN(TranscriptionDisplayStoreTest)
#include "tst_transcription_display_store.moc"
