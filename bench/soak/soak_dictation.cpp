// Soak: dictation cycles (start, speech, stop, clear) through
// SpeechRecognitionManager on the real sound server (run beside
// tests/support/with-services --pulse). Prints resident memory, open file
// descriptors and threads every 25 cycles, then the growth from the first
// sample after warm-up to the last.
//
//   soak_dictation [CYCLES=500] [SPEAK_EVERY=25] [MAX_HEAP_GROWTH_KIB]
//
// With MAX_HEAP_GROWTH_KIB it also fails when the heap in use grew by more
// than that after warm-up, or the open descriptors by more than two.
//
// Every SPEAK_EVERY-th cycle plays a spoken sentence into the virtual
// microphone and waits for its transcript; the other cycles listen to the
// null sink for a few buffers. The capture stream, the decoder lease and the
// transcript stream are opened and closed the same way in both kinds of
// cycle (the recognizer decodes silence like speech), so the quiet cycles
// exercise every resource a cycle holds, while the spoken ones keep the
// hypothesis path in the loop. Playing speech in all 500 would take about
// half an hour (a clip lasts 4 s with its lead-in).

#include "ProcessGauges.h"
#include "SpeechFixtures.h"

#include <voxcore/SpeechRecognitionManager.h>

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace speechfixtures;

namespace {

bool playInto(const QString &wav)
{
    QProcess player;
    player.start(QStringLiteral("paplay"), {wav});
    return finishedWell(&player);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 500;
    const int speakEvery = argc > 2 ? std::max(1, std::atoi(argv[2])) : 25;
    const long maxHeapGrowth = argc > 3 ? std::atol(argv[3]) : -1;

    QTemporaryDir folder;
    const QString spoken = folder.filePath("spoken.wav"), padded = folder.filePath("padded.wav");
    const QString sentence = QStringLiteral("Turn off the lights in the kitchen.");
    if (!renderSpeech(sentence, spoken)
        || QProcess::execute(QStringLiteral("sox"), {spoken, padded, "pad", "1", "0"}) != 0) {
        std::fputs("soak_dictation: cannot render the test sentence (flite, sox)\n", stderr);
        return 2;
    }

    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    int heard = 0, spokenCycles = 0, failures = 0;
    soak::Gauges first;
    QElapsedTimer clock;
    clock.start();
    std::printf("%6s %10s %12s %6s %8s %8s %s\n", "cycle", "RSS KiB", "heap KiB", "fds", "threads", "seconds",
                "spoken cycles heard");
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        QCoro::waitFor(manager.startMicrophoneTranscription());
        if (!manager.isTranscribing()) {
            ++failures;
            std::printf("cycle %d did not start: %s\n", cycle, qPrintable(manager.errorMessageText()));
        }
        if (cycle % speakEvery == 0) {
            ++spokenCycles;
            playInto(padded);
            waitForStillness(&manager, &SpeechRecognitionManager::transcriptionResultChanged, 1000, 10000);
        } else {
            QTest::qWait(120); // a few capture buffers
        }
        manager.stopMicrophoneTranscription();
        if (cycle % speakEvery == 0 && !manager.transcriptionResult().isEmpty())
            ++heard;
        manager.clearTranscription();
        // The first 25 cycles warm up (model, allocator pools, the server's client slots).
        if (cycle % 25 == 0) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const soak::Gauges now = soak::Gauges::now();
            if (cycle == 25)
                first = now;
            std::printf("%6d %10ld %12ld %6ld %8ld %8.1f %d/%d\n", cycle, now.rssKiB, now.heapKiB, now.descriptors, now.threads,
                        clock.elapsed() / 1000.0, heard, spokenCycles);
            std::fflush(stdout);
        }
    }
    const soak::Gauges last = soak::Gauges::now();
    std::printf("growth after warm-up (cycle 25 -> %d): RSS %+ld KiB, heap in use %+ld KiB, fds %+ld, threads %+ld; "
                "%d failed starts; %d of %d spoken cycles heard\n",
                cycles, last.rssKiB - first.rssKiB, last.heapKiB - first.heapKiB, last.descriptors - first.descriptors,
                last.threads - first.threads, failures, heard, spokenCycles);
    std::printf("FIGURE soak_dictation_rss_growth=%ld KiB\n", last.rssKiB - first.rssKiB);
    std::printf("FIGURE soak_dictation_heap_growth=%ld KiB\n", last.heapKiB - first.heapKiB);
    std::printf("FIGURE soak_dictation_fd_growth=%ld fds\n", last.descriptors - first.descriptors);
    const bool flat = maxHeapGrowth < 0
                      || (last.heapKiB - first.heapKiB <= maxHeapGrowth && last.descriptors - first.descriptors <= 2);
    if (!flat)
        std::puts("the heap in use or the open descriptors grew beyond the bound");
    return failures == 0 && heard == spokenCycles && flat ? 0 : 1;
}
