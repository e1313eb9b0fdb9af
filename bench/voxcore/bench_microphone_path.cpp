// The microphone path through SpeechRecognitionManager on the real sound
// server (run beside tests/support/with-services --pulse). Prints:
//   - start of a microphone transcription -> first captured buffer (its level
//     reaching the main thread), with the model already loaded, both on an
//     idle null sink and on one kept awake by a silent player (as a live
//     microphone is);
//   - speech onset -> first partial result, and last spoken buffer -> the
//     transcript's last change (the text the application takes on stop);
//   - the peak resident memory of the process.

#include "BenchSupport.h"
#include "SpeechFixtures.h"
#include "WordErrorRate.h"

#include <voxcore/SpeechRecognitionManager.h>

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QTest>

#include <cstdio>

using namespace speechfixtures;
using Clock = std::chrono::steady_clock;

namespace {

// A level above this is speech (levels are 10 x RMS, capped at 1).
constexpr float kVoiced = 0.1f;

struct Timeline {
    Clock::time_point start;
    std::optional<double> firstLevel, firstVoiced, lastVoiced, firstText, lastChange;
};

Timeline listen(SpeechRecognitionManager &manager, const QString &sentence, QString &transcript)
{
    Timeline t;
    QObject scope;
    QObject::connect(&manager, &SpeechRecognitionManager::normalizedSamplesChanged, &scope, [&] {
        const auto samples = manager.normalizedSamples();
        if (samples.isEmpty())
            return;
        const double now = bench::secondsSince(t.start);
        if (!t.firstLevel)
            t.firstLevel = now;
        if (samples.last() > kVoiced) {
            if (!t.firstVoiced)
                t.firstVoiced = now;
            t.lastVoiced = now;
        }
    });
    QObject::connect(&manager, &SpeechRecognitionManager::transcriptionResultChanged, &scope, [&] {
        if (manager.transcriptionResult().isEmpty())
            return;
        const double now = bench::secondsSince(t.start);
        if (!t.firstText)
            t.firstText = now;
        t.lastChange = now;
    });
    t.start = Clock::now();
    QCoro::waitFor(manager.startMicrophoneTranscription());
    if (!QTest::qWaitFor([&] { return t.firstLevel.has_value(); }, 5000))
        std::fprintf(stderr, "no level within 5 s of the start\n");
    if (!sentence.isEmpty()) {
        std::unique_ptr<QProcess> speaker(sayIntoMic(sentence));
        finishedWell(speaker.get());
        waitForStillness(&manager, &SpeechRecognitionManager::transcriptionResultChanged, 2000);
    }
    manager.stopMicrophoneTranscription();
    transcript = manager.transcriptionResult();
    return t;
}

double ms(const std::optional<double> &later, const std::optional<double> &earlier)
{
    return later && earlier ? (*later - *earlier) * 1000 : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    QString transcript;
    // Loads the model.
    listen(manager, QStringLiteral("Hello."), transcript);

    QList<double> idleStarts;
    for (int i = 0; i < 3; ++i)
        idleStarts << ms(listen(manager, {}, transcript).firstLevel, 0.0);

    // A silent low-latency player keeps the null sink rendering, as a live
    // capture device is.
    QProcess keepAwake;
    keepAwake.setStandardInputFile(QStringLiteral("/dev/zero"));
    keepAwake.start(QStringLiteral("pacat"), {"--raw", "--latency-msec=20", "--format=s16le", "--rate=44100",
                                              "--channels=2"});
    keepAwake.waitForStarted();
    QTest::qWait(500);
    QList<double> awakeStarts, firstPartials, finals;
    const QStringList sentences{QStringLiteral("Turn off the lights in the kitchen."),
                                QStringLiteral("Good night and good luck."),
                                QStringLiteral("The weather is nice today.")};
    for (const QString &sentence : sentences) {
        awakeStarts << ms(listen(manager, {}, transcript).firstLevel, 0.0);
        const Timeline t = listen(manager, sentence, transcript);
        firstPartials << ms(t.firstText, t.firstVoiced);
        finals << ms(t.lastChange, t.lastVoiced);
        std::printf("  \"%s\" -> \"%s\" (WER %.2f): onset->first partial %.0f ms, last voiced buffer->last change %.0f ms\n",
                    qPrintable(sentence), qPrintable(transcript), wordErrorRate(sentence, transcript),
                    firstPartials.last(), finals.last());
    }
    keepAwake.kill();
    keepAwake.waitForFinished();

    auto list = [](const QList<double> &values) {
        QStringList texts;
        for (double v : values)
            texts << QString::number(v, 'f', 1);
        return texts.join(", ");
    };
    std::printf("start -> first buffer, model loaded, idle null sink: median %.1f ms (%s)\n",
                bench::median(idleStarts), qPrintable(list(idleStarts)));
    std::printf("start -> first buffer, model loaded, sink awake:     median %.1f ms (%s) (target <= 50 ms)\n",
                bench::median(awakeStarts), qPrintable(list(awakeStarts)));
    std::printf("speech onset -> first partial result: median %.0f ms\n", bench::median(firstPartials));
    std::printf("last spoken buffer -> final transcript (last change): median %.0f ms (%s)\n",
                bench::median(finals), qPrintable(list(finals)));
    std::printf("peak RSS of this listening process: %.1f MiB\n", bench::peakResidentMiB());
    std::printf("FIGURE partial_lag=%.0f ms\n", bench::median(firstPartials));
    std::printf("FIGURE final_transcript_lag=%.0f ms\n", bench::median(finals));
    return 0;
}
