// Prints how fast text reaches another client on a Wayland compositor (headless
// sway from tests/support/with-sway):
//  - typing through Sayline's virtual keyboard into a Qt text field on the
//    wayland platform, on the us and de layouts: characters per second from the
//    call until the field holds the whole text, and whether every character
//    came out right;
//  - the clipboard through data control: text set until `wl-paste` has read it.

#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "TypingTarget.h"
#include "WaylandDelivery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString mixedSentence = QStringLiteral("Grüße aus Köln, l'été à Paris, Straße 5 € – ça va? 🎉 Déjà vu. ");

QString repeatedTo(const QString &sample, qsizetype characters)
{
    QString text;
    while (text.toUcs4().size() < characters)
        text += sample;
    const QList<uint> codePoints = text.toUcs4().first(characters);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()), codePoints.size());
}

void runQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void benchTyping(KeyboardInjector &keyboard)
{
    std::puts("Typing through the virtual keyboard into a Qt text field (characters per second until received):");
    const QString text = repeatedTo(mixedSentence, 1000);
    double slowest = 1e12;
    int exactRuns = 0, runs = 0;
    for (const char *layout : {"us", "de"}) {
        runQuietly(QStringLiteral("swaymsg"),
                   {QStringLiteral("input type:keyboard xkb_layout ") + QString::fromLatin1(layout)});
        for (int round = 0; round < 3; ++round) {
            TypingTarget target;
            if (!target.start()) {
                std::fputs("the text field did not get the focus\n", stderr);
                continue;
            }
            QElapsedTimer clock;
            clock.start();
            keyboard.typeText(text);
            const double callMs = clock.nsecsElapsed() / 1e6;
            while (clock.elapsed() < 20000 && target.readText() != text)
                QThread::usleep(500);
            // The field writes its text after a 20 ms pause in typing.
            const double receivedMs = std::max(callMs, clock.nsecsElapsed() / 1e6 - 20);
            const bool exact = target.waitForText(text) == text;
            const double rate = 1000 / (receivedMs / 1000.0);
            std::printf("  %-3s 1000 chars mixed  call %8.1f ms  received %8.1f ms  %8.0f chars/s  %s\n", layout,
                        callMs, receivedMs, rate, exact ? "exact" : "WRONG");
            slowest = std::min(slowest, rate);
            exactRuns += exact;
            ++runs;
        }
    }
    std::printf("FIGURE wayland_typing_speed=%.0f chars/s\n", slowest);
    std::printf("FIGURE wayland_typing_exact=%d of %d\n", exactRuns, runs);
}

// Runs wl-paste to its end while our event loop keeps serving the clipboard.
QByteArray pasted()
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), {QStringLiteral("-n")});
    while (paste.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return paste.readAllStandardOutput();
}

void benchClipboard(Pasteboard &pasteboard)
{
    std::puts("Clipboard through data control (set, then wl-paste has read it; includes starting wl-paste):");
    double shortMedian = 0;
    for (const qsizetype length : {65, 300000}) {
        const QString text = repeatedTo(mixedSentence, length);
        std::vector<double> setMs, readableMs;
        bool exact = true;
        for (int round = 0; round < 20; ++round) {
            QElapsedTimer clock;
            clock.start();
            pasteboard.clearContents();
            const bool set = pasteboard.setString(text);
            setMs.push_back(clock.nsecsElapsed() / 1e6);
            exact = exact && set && pasted() == text.toUtf8();
            readableMs.push_back(clock.nsecsElapsed() / 1e6);
        }
        std::printf("  %7lld chars: set (confirmed by the compositor) median %6.2f ms, read by wl-paste median %6.1f ms  %s\n",
                    static_cast<long long>(length), median(setMs), median(readableMs), exact ? "exact" : "WRONG");
        if (length == 65)
            shortMedian = median(readableMs);
    }
    std::vector<double> startup;
    for (int round = 0; round < 10; ++round) {
        QElapsedTimer clock;
        clock.start();
        runQuietly(QStringLiteral("wl-paste"), {QStringLiteral("--version")});
        startup.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("  (wl-paste --version alone: median %.1f ms)\n", median(startup));
    std::printf("FIGURE wayland_clipboard_readable=%.1f ms\n", shortMedian);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "wayland"); // for the text field
    const auto delivery = WaylandDelivery::connect();
    if (!delivery)
        return 1;
    const auto keyboard = delivery->makeKeyboardInjector();
    const auto pasteboard = delivery->makePasteboard();
    if (!keyboard->isTrusted() || !pasteboard) {
        std::fputs("the compositor offers no virtual keyboard or no data control\n", stderr);
        return 1;
    }
    benchTyping(*keyboard);
    benchClipboard(*pasteboard);
    return 0;
}
