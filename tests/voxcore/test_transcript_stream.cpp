// The transcript stream: order, unbounded buffering, the two ends, consumer cancellation and
// the termination handler, and resumption on the consumer's thread.

#include "TranscriptConsumer.h"

#include <QTest>

#include <thread>

class TestTranscriptStream : public QObject
{
    Q_OBJECT

private slots:
    void buffersEverythingUntilTheConsumerComes()
    {
        auto [stream, continuation] = TranscriptStream::makeStream();
        for (int i = 0; i < 1000; ++i)
            continuation.yield(QString::number(i));
        continuation.finish();

        const Consumed consumed = drain(stream);
        QCOMPARE(consumed.elements.size(), 1000);
        QCOMPARE(consumed.elements.first(), QStringLiteral("0"));
        QCOMPARE(consumed.elements.last(), QStringLiteral("999"));
        QVERIFY(!consumed.error);
    }

    void endsWithOneErrorAfterTheBufferedElements()
    {
        auto [stream, continuation] = TranscriptStream::makeStream();
        continuation.yield(QStringLiteral("hello"));
        continuation.finish(SpeechRecognitionError::recognitionFailed(std::make_exception_ptr(PlatformError("No model"))));
        continuation.yield(QStringLiteral("after the end"));
        continuation.finish();

        const Consumed consumed = drain(stream);
        QCOMPARE(consumed.elements, QStringList{QStringLiteral("hello")});
        QCOMPARE(consumed.error, QStringLiteral("Recognition failed: No model"));
    }

    void deliversAProducerThreadsElementsOnTheConsumersThread()
    {
        auto [stream, continuation] = TranscriptStream::makeStream();
        Consumed consumed;
        auto consuming = consume(stream, &consumed);

        std::thread producer([continuation] {
            for (int i = 0; i < 50; ++i) {
                continuation.yield(QString::number(i));
                std::this_thread::yield();
            }
            continuation.finish();
        });
        QVERIFY(QTest::qWaitFor([&] { return consumed.ended; }, 5000));
        producer.join();

        QCOMPARE(consumed.elements.size(), 50);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(consumed.elements[i], QString::number(i));
        for (QThread *thread : consumed.threads)
            QCOMPARE(thread, QThread::currentThread());
    }

    void terminationHandlerRunsOnceWhateverEndsTheStream_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("normal end") << "finish";
        QTest::newRow("error end") << "error";
        QTest::newRow("consumer cancels") << "cancel";
        QTest::newRow("last copy dropped") << "drop";
        QTest::newRow("finish then cancel") << "finish+cancel";
    }

    void terminationHandlerRunsOnceWhateverEndsTheStream()
    {
        QFETCH(QString, ending);
        int terminations = 0;
        std::optional<TranscriptStream::Continuation> producer;
        std::optional<TranscriptStream> stream;
        stream.emplace([&](TranscriptStream::Continuation continuation) {
            continuation.setOnTermination([&] { ++terminations; });
            producer = continuation;
        });
        QCOMPARE(terminations, 0);

        if (ending == "finish" || ending == "finish+cancel")
            producer->finish();
        if (ending == "error")
            producer->finish(SpeechRecognitionError::unavailable());
        if (ending == "cancel" || ending == "finish+cancel")
            stream->cancel();
        if (ending == "drop")
            stream.reset();
        QCOMPARE(terminations, 1);

        if (stream)
            stream->cancel();
        producer->finish();
        stream.reset();
        QCOMPARE(terminations, 1);
    }

    void aCancelledConsumerSeesANormalEndAndNoMoreElements_data()
    {
        QTest::addColumn<bool>("wakeupQueued");
        QTest::newRow("consumer waiting") << false;
        QTest::newRow("consumer's wakeup queued") << true;
    }

    void aCancelledConsumerSeesANormalEndAndNoMoreElements()
    {
        QFETCH(bool, wakeupQueued);
        int terminations = 0;
        std::optional<TranscriptStream::Continuation> producer;
        TranscriptStream stream([&](TranscriptStream::Continuation continuation) {
            continuation.setOnTermination([&] { ++terminations; });
            producer = continuation;
        });
        Consumed consumed;
        auto consuming = consume(stream, &consumed);
        producer->yield(QStringLiteral("one"));
        QVERIFY(QTest::qWaitFor([&] { return consumed.elements.size() == 1; }, 2000));

        if (wakeupQueued)
            producer->yield(QStringLiteral("two, never read"));
        stream.cancel();
        // Cancelled from its own thread, it has ended already: a program that stops a
        // consumer and then quits leaves no suspended coroutine behind.
        QVERIFY(consumed.ended);
        producer->yield(QStringLiteral("three"));
        producer->finish(SpeechRecognitionError::unavailable());
        QTest::qWait(10);

        QCOMPARE(consumed.elements, QStringList{QStringLiteral("one")});
        QVERIFY2(!consumed.error, "cancellation is not an error");
        QCOMPARE(terminations, 1);
    }

    void aHandlerInstalledAfterTheEndRunsAtOnce()
    {
        int terminations = 0;
        TranscriptStream stream([&](TranscriptStream::Continuation continuation) {
            continuation.finish(SpeechRecognitionError::missingStream());
            continuation.setOnTermination([&] { ++terminations; });
        });
        QCOMPARE(terminations, 1);
    }
};

QTEST_GUILESS_MAIN(TestTranscriptStream)
#include "test_transcript_stream.moc"
