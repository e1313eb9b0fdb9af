// Prints how fast text reaches another X client:
//  - typing through XTEST into a recording window, on the us, de and fr layouts:
//    characters per second from the call until the window holds the whole text,
//    and whether every character came out right;
//  - the longest text typed exactly within one second;
//  - clipboard hand-over: text set on the clipboard until `xclip` has read it.
// Run beside an X server (QT_QPA_PLATFORM=xcb), for instance with
// `ninja run_bench_text_delivery`.

#include "Pasteboard.h"
#include "TypingTarget.h"
#include "XTestKeyboardInjector.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString mixedSentence = QStringLiteral("Grüße aus Köln, l'été à Paris, Straße 5 € – ça va? 🎉 Déjà vu. ");

struct TypingRun
{
    qsizetype characters = 0;
    double callMs = 0;     // typeText() itself
    double receivedMs = 0; // until the window holds the text
    bool exact = false;
};

qsizetype characterCount(const QString &text)
{
    return text.toUcs4().size();
}

TypingRun typeInto(const QString &text)
{
    TypingRun run;
    run.characters = characterCount(text);
    TypingTarget target;
    if (!target.start()) {
        std::fputs("the recording window did not start\n", stderr);
        return run;
    }
    XTestKeyboardInjector keyboard;
    QElapsedTimer clock;
    clock.start();
    keyboard.typeText(text);
    run.callMs = clock.nsecsElapsed() / 1e6;
    while (clock.elapsed() < 20000 && target.readText() != text)
        QThread::usleep(500);
    run.receivedMs = clock.nsecsElapsed() / 1e6;
    // The window writes its text after a 20 ms pause in typing.
    run.receivedMs = std::max(run.callMs, run.receivedMs - 20);
    run.exact = target.waitForText(text) == text;
    return run;
}

void printRun(const char *layout, const char *name, const TypingRun &run)
{
    std::printf("  %-3s %-28s %6lld chars  call %8.1f ms  received %8.1f ms  %8.0f chars/s  %s\n", layout, name,
                static_cast<long long>(run.characters), run.callMs, run.receivedMs,
                run.characters / (run.receivedMs / 1000.0), run.exact ? "exact" : "WRONG");
}

QString repeatedTo(const QString &sample, qsizetype characters)
{
    QString text;
    while (characterCount(text) < characters)
        text += sample;
    const QList<uint> codePoints = text.toUcs4().first(characters);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()), codePoints.size());
}

void benchTyping()
{
    std::puts("Typing through XTEST into another window (characters per second until received):");
    const QString sixtyFive = repeatedTo(mixedSentence, 65);
    const QString ascii = repeatedTo(QStringLiteral("The quick brown fox jumps over the lazy dog. "), 1000);
    const QString mixed = repeatedTo(mixedSentence, 1000);
    // The slowest 1000-character run of the three layouts, and whether all came out right.
    double slowest = 1e12;
    int exactRuns = 0, runs = 0;
    for (const char *layout : {"us", "de", "fr"}) {
        QProcess::execute(QStringLiteral("setxkbmap"), {QString::fromLatin1(layout)});
        printRun(layout, "65 chars, accents, ß, emoji", typeInto(sixtyFive));
        for (const auto &[name, text] : {std::pair{"1000 chars ASCII", ascii}, std::pair{"1000 chars mixed", mixed}}) {
            const TypingRun run = typeInto(text);
            printRun(layout, name, run);
            slowest = std::min(slowest, run.characters / (run.receivedMs / 1000.0));
            exactRuns += run.exact;
            ++runs;
        }
    }
    std::printf("FIGURE typing_speed=%.0f chars/s\n", slowest);
    std::printf("FIGURE typing_exact=%d of %d\n", exactRuns, runs);

    std::puts("Longest text typed exactly within one second (us layout, mixed text):");
    QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
    qsizetype longest = 0;
    for (const qsizetype length : {500, 1000, 2000, 4000, 8000, 16000}) {
        const TypingRun run = typeInto(repeatedTo(mixedSentence, length));
        printRun("us", "mixed", run);
        if (run.exact && run.receivedMs <= 1000)
            longest = length;
        if (run.receivedMs > 1000)
            break;
    }
    std::printf("  longest exact text within 1 s: %lld characters\n", static_cast<long long>(longest));
}

double handOverMs(Pasteboard &pasteboard, const QString &text)
{
    QElapsedTimer clock;
    clock.start();
    pasteboard.clearContents();
    pasteboard.setString(text);
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-t"),
                                          QStringLiteral("UTF8_STRING")});
    while (xclip.state() != QProcess::NotRunning && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (QString::fromUtf8(xclip.readAllStandardOutput()) != text)
        std::fputs("xclip read something else\n", stderr);
    return ms;
}

void benchClipboard()
{
    std::puts("Clipboard hand-over (set, then xclip has read it; includes starting xclip):");
    const auto pasteboard = makeDefaultPasteboard();
    for (const qsizetype length : {65, 300000}) {
        const QString text = repeatedTo(mixedSentence, length);
        std::vector<double> times;
        for (int round = 0; round < 20; ++round)
            times.push_back(handOverMs(*pasteboard, text));
        std::sort(times.begin(), times.end());
        std::printf("  %7lld chars: median %6.1f ms  min %6.1f ms  max %6.1f ms\n", static_cast<long long>(length),
                    times[times.size() / 2], times.front(), times.back());
    }
    // The cost of starting xclip alone, for comparison.
    std::vector<double> startup;
    for (int round = 0; round < 10; ++round) {
        QElapsedTimer clock;
        clock.start();
        QProcess::execute(QStringLiteral("xclip"), {QStringLiteral("-version")});
        startup.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(startup.begin(), startup.end());
    std::printf("  (xclip -version alone: median %.1f ms)\n", startup[startup.size() / 2]);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    benchTyping();
    benchClipboard();
    return 0;
}
