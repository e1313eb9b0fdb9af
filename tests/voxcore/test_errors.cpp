// The description texts of Voxcore's errors.

#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionError.h>

#include <QTest>

class TestErrors : public QObject
{
    Q_OBJECT

private slots:
    void speechRecognitionErrorsDescribeThemselves_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("description");
        QTest::newRow("recognitionFailed") << 0 << "Recognition failed: Decoder error";
        QTest::newRow("audioEngineError") << 1 << "Audio engine error: Decoder error";
        QTest::newRow("unavailable") << 2 << "Speech recognition is not available";
        QTest::newRow("unauthorized") << 3 << "Speech recognition permission denied";
        QTest::newRow("missingStream") << 4 << "Missing speech recognition stream";
    }

    void speechRecognitionErrorsDescribeThemselves()
    {
        QFETCH(int, which);
        QFETCH(QString, description);
        const auto underlying = std::make_exception_ptr(PlatformError("Decoder error"));
        const SpeechRecognitionError errors[] = {
            SpeechRecognitionError::recognitionFailed(underlying), SpeechRecognitionError::audioEngineError(underlying),
            SpeechRecognitionError::unavailable(), SpeechRecognitionError::unauthorized(),
            SpeechRecognitionError::missingStream()};
        const SpeechRecognitionError &error = errors[which];
        QCOMPARE(error.errorDescription(), description);
        QCOMPARE(localizedDescription(error), description);
        QCOMPARE(QString::fromUtf8(error.what()), description);
        QVERIFY(!error.failureReason() && !error.recoverySuggestion() && !error.helpAnchor());
    }

    void anUnderlyingErrorIsAppendedAsItDescribesItself()
    {
        const auto nested = std::make_exception_ptr(SpeechRecognitionError::unavailable());
        QCOMPARE(SpeechRecognitionError::recognitionFailed(nested).errorDescription(),
                 QStringLiteral("Recognition failed: Speech recognition is not available"));
        const auto plain = std::make_exception_ptr(std::runtime_error("Datei fehlt: ü"));
        QCOMPARE(SpeechRecognitionError::audioEngineError(plain).errorDescription(),
                 QStringLiteral("Audio engine error: Datei fehlt: ü"));
        QCOMPARE(SpeechRecognitionError::recognitionFailed(nested).kind(), SpeechRecognitionError::Case::recognitionFailed);
    }

    void recordingErrorsDescribeThemselves_data()
    {
        QTest::addColumn<RecordingError::Case>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("permissionDenied") << RecordingError::Case::permissionDenied << "Microphone permission denied";
        QTest::newRow("audioEngineCreationFailed") << RecordingError::Case::audioEngineCreationFailed
                                                   << "Failed to create audio engine";
        QTest::newRow("audioFileCreationFailed") << RecordingError::Case::audioFileCreationFailed
                                                 << "Failed to create audio file";
        QTest::newRow("recordingInProgress") << RecordingError::Case::recordingInProgress
                                             << "Recording already in progress";
    }

    void recordingErrorsDescribeThemselves()
    {
        QFETCH(RecordingError::Case, kind);
        QFETCH(QString, description);
        const RecordingError error(kind);
        QCOMPARE(error.errorDescription(), description);
        QCOMPARE(localizedDescription(error), description);
        QVERIFY(error == RecordingError(kind));
        QCOMPARE(qHash(error), qHash(RecordingError(kind)));
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "test_errors.moc"
