// Dictation from the (virtual) microphone through SpeechRecognitionManager,
// on the real sound server and recognizer: flite speech played into the test
// sink is what the default source hears.

#include "OutputCapture.h"
#include "SpeechFixtures.h"
#include "WordErrorRate.h"

#include <voxcore/SpeechRecognitionManager.h>

#include <QCoro/QCoroTask>
#include <QtTest>

using namespace speechfixtures;

class MicrophoneTranscription : public QObject
{
    Q_OBJECT

private slots:
    void dictationKeepsEverySentence();
    void aSecondDictationStartsAfresh();
};

void MicrophoneTranscription::dictationKeepsEverySentence()
{
    const QString first = QStringLiteral("The weather is nice today.");
    const QString second = QStringLiteral("Please call me tomorrow morning.");

    OutputCapture out(1), err(2);
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    QStringList results;
    connect(&manager, &SpeechRecognitionManager::transcriptionResultChanged, this,
            [&] { results << manager.transcriptionResult(); });
    int levels = 0;
    connect(&manager, &SpeechRecognitionManager::normalizedSamplesChanged, this, [&] { ++levels; });

    QCoro::waitFor(manager.startMicrophoneTranscription());
    const bool transcribingAfterStart = manager.isTranscribing();
    // Two sentences, with a pause long enough for the decoder to end the first utterance.
    std::unique_ptr<QProcess> speaker(sayIntoMic(first));
    const bool firstSpoken = finishedWell(speaker.get());
    QTest::qWait(1500); // a pause: the decoder ends the first utterance
    speaker.reset(sayIntoMic(second));
    const bool secondSpoken = finishedWell(speaker.get());
    // On a busy machine decoding may trail the audio; stop once it caught up.
    waitForStillness(&manager, &SpeechRecognitionManager::transcriptionResultChanged);
    manager.stopMicrophoneTranscription();
    const QByteArray stdoutText = out.finish();
    const QByteArray stderrText = err.finish();

    QVERIFY(transcribingAfterStart);
    QVERIFY(firstSpoken && secondSpoken);
    QVERIFY2(!manager.errorMessage(), qPrintable(manager.errorMessageText()));
    QVERIFY(!manager.isTranscribing());
    QVERIFY2(levels > 100, qPrintable(QString::number(levels))); // one level per captured buffer
    QVERIFY(!results.isEmpty());
    const QString transcript = manager.transcriptionResult();
    QCOMPARE(results.last(), transcript);

    // Every partial result is the whole text so far: once the first sentence is settled,
    // every later result starts with it.
    const qsizetype settled = settledFirstSentence(results, transcript, first);
    QVERIFY2(settled >= 0 && wordErrorRate(first, results[settled]) <= 0.2, qPrintable(results.join(u'|')));
    for (const QString &later : results.mid(settled + 1))
        QVERIFY2(later.startsWith(results[settled] + u' '), qPrintable(later));
    for (qsizetype i = 1; i < results.size(); ++i)
        QVERIFY(results[i] != results[i - 1]);

    // The slt voice through the virtual microphone is recognised nearly word
    // for word (the adapter test gets WER 0 on the same sentences fed
    // directly). Live capture is not repeatable to the sample: where the
    // stream starts and the decoder's running cepstral mean vary, and a run
    // on a clean machine heard "tomorrow" as "the mile" (WER 0.2). Two words
    // in ten still fail a transcript that lost either sentence (WER >= 0.5).
    const double wer = wordErrorRate(first + u' ' + second, transcript);
    qInfo("transcript: %s (WER %.2f, %lld results)", qPrintable(transcript), wer, qlonglong(results.size()));
    QVERIFY2(wer <= 0.25, qPrintable(transcript));

    // Only the provider's own lines reach standard output, and the decoder's
    // log does not reach standard error either.
    const QList<QByteArray> lines = stdoutText.trimmed().split('\n');
    QVERIFY(lines.contains("[AppleSpeechProvider] Start microphone transcription..."));
    QVERIFY(lines.contains("[AppleSpeechProvider] Stopping microphone transcription"));
    for (const QByteArray &line : lines)
        QVERIFY2(line.startsWith("[AppleSpeechProvider] "), line.constData());
    QVERIFY2(!stderrText.contains("INFO:") && !stderrText.contains("ERROR:"), stderrText.left(300).constData());
}

void MicrophoneTranscription::aSecondDictationStartsAfresh()
{
    // The model stays loaded between dictations; the second one must not
    // carry the first one's words.
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    // Both are recognised word for word by the bare engine from the flite file.
    const QStringList sentences{QStringLiteral("Turn off the lights in the kitchen."),
                                QStringLiteral("Good night and good luck.")};
    QStringList transcripts;
    for (const QString &sentence : sentences) {
        QCoro::waitFor(manager.startMicrophoneTranscription());
        QCOMPARE(manager.transcriptionResult(), QString());
        std::unique_ptr<QProcess> speaker(sayIntoMic(sentence));
        QVERIFY(finishedWell(speaker.get()));
        waitForStillness(&manager, &SpeechRecognitionManager::transcriptionResultChanged);
        manager.stopMicrophoneTranscription();
        transcripts << manager.transcriptionResult();
    }
    qInfo("transcripts: %s", qPrintable(transcripts.join(" | ")));
    for (int i = 0; i < sentences.size(); ++i)
        QVERIFY2(wordErrorRate(sentences[i], transcripts[i]) <= 0.2, qPrintable(transcripts[i])); // one word
}

QTEST_GUILESS_MAIN(MicrophoneTranscription)
#include "test_microphone_transcription.moc"
