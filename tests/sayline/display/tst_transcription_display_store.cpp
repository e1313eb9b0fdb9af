#include "TranscriptionDisplayStore.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TranscriptionDisplayStoreTest : public QObject
{
    Q_OBJECT

private slots:
    // Values arriving faster than the interval publish nothing; the last one is
    // published once, an interval after it came.
    void onlyTheValueAfterStillnessIsPublished()
    {
        TranscriptionDisplayStore store;
        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);
        QElapsedTimer sinceLast;
        for (int i = 0; i < 6; ++i) {
            store.send(QStringLiteral("word %1").arg(i));
            sinceLast.start();
            QTest::qWait(150);
        }
        QCOMPARE(published.count(), 0);
        QVERIFY(published.wait(1000));
        QVERIFY2(sinceLast.elapsed() >= TranscriptionDisplayStore::debounceIntervalMs - 5,
                 qPrintable(QString::number(sinceLast.elapsed())));
        QCOMPARE(store.debouncedText(), QStringLiteral("word 5"));
        QTest::qWait(400);
        QCOMPARE(published.count(), 1);
        QCOMPARE(flipped.count(), 1);
    }

    // A repeat of the published value is dropped; a different one flips the
    // trigger, also when it is an earlier value coming back.
    void eachNewTextFlipsTheTrigger()
    {
        TranscriptionDisplayStore store;
        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);
        const auto publish = [&](const QString &text) {
            store.send(text);
            QTest::qWait(TranscriptionDisplayStore::debounceIntervalMs + 150);
            return store.debouncedText();
        };
        QCOMPARE(publish(QStringLiteral("a")), QStringLiteral("a"));
        QCOMPARE(store.animationTrigger(), true);
        QCOMPARE(publish(QStringLiteral("a")), QStringLiteral("a"));
        QCOMPARE(published.count(), 1);
        QCOMPARE(publish(QStringLiteral("b")), QStringLiteral("b"));
        QCOMPARE(store.animationTrigger(), false);
        QCOMPARE(publish(QStringLiteral("a")), QStringLiteral("a"));
        QCOMPARE(store.animationTrigger(), true);
        QCOMPARE(flipped.count(), 3);
    }

    // An empty text is published (after a shown one) but never flips the trigger.
    void emptyTextNeverFlips()
    {
        TranscriptionDisplayStore store;
        QSignalSpy published(&store, &TranscriptionDisplayStore::debouncedTextChanged);
        QSignalSpy flipped(&store, &TranscriptionDisplayStore::animationTriggerChanged);
        store.send(QString());
        QTest::qWait(450);
        QCOMPARE(published.count(), 0);
        QCOMPARE(flipped.count(), 0);

        store.send(QStringLiteral("something"));
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QStringLiteral("something"), 1000);
        store.send(QString());
        QTRY_COMPARE_WITH_TIMEOUT(store.debouncedText(), QString(), 1000);
        QTest::qWait(50);
        QCOMPARE(flipped.count(), 1);
        QCOMPARE(store.animationTrigger(), true);
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
