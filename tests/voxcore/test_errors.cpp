// The texts of Voxcore's errors, as the managers' errorMessage and voxcore-cli show them.

#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionError.h>

#include <QTest>

class TestErrors : public QObject
{
    Q_OBJECT

private slots:
    void everyErrorDescribesItself()
    {
        using Speech = SpeechRecognitionError;
        using Recording = RecordingError::Case;
        const auto decoder = std::make_exception_ptr(PlatformError("Decoder error"));
        const auto nested = std::make_exception_ptr(Speech::unavailable());
        const auto foreign = std::make_exception_ptr(std::runtime_error("Datei fehlt: ü"));
        const QList<QPair<std::exception_ptr, QString>> errors{
            {std::make_exception_ptr(Speech::recognitionFailed(decoder)), "Recognition failed: Decoder error"},
            {std::make_exception_ptr(Speech::audioEngineError(decoder)), "Audio engine error: Decoder error"},
            {std::make_exception_ptr(Speech::unavailable()), "Speech recognition is not available"},
            {std::make_exception_ptr(Speech::unauthorized()), "Speech recognition permission denied"},
            {std::make_exception_ptr(Speech::missingStream()), "Missing speech recognition stream"},
            // An underlying error is described as it describes itself.
            {std::make_exception_ptr(Speech::recognitionFailed(nested)),
             "Recognition failed: Speech recognition is not available"},
            {std::make_exception_ptr(Speech::audioEngineError(foreign)), "Audio engine error: Datei fehlt: ü"},
            {std::make_exception_ptr(RecordingError(Recording::permissionDenied)), "Microphone permission denied"},
            {std::make_exception_ptr(RecordingError(Recording::audioEngineCreationFailed)), "Failed to create audio engine"},
            {std::make_exception_ptr(RecordingError(Recording::audioFileCreationFailed)), "Failed to create audio file"},
            {std::make_exception_ptr(RecordingError(Recording::recordingInProgress)), "Recording already in progress"},
        };
        for (const auto &[error, description] : errors)
            QCOMPARE(localizedDescription(error), description);
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "test_errors.moc"
