// Prints how fast text reaches a Qt text field on KDE Plasma's KWin (headless,
// tests/support/with-kde) by the paste path: the text put on the clipboard,
// Shift+Insert pressed through fake input, the user's clipboard text put back
// once the field has read it. Per text: from the typing call until the field
// holds the whole text, and until wl-paste reads the user's text again.
#include "KeyboardInjector.h"
#include "TypingTarget.h"
#include "WaylandDelivery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString sentence = QStringLiteral("naïve café, Grüße aus Köln – ça va? 😀 ");
const QString usersText = QStringLiteral("the user's own text");

// Runs a program to its end while our event loop keeps serving the clipboard.
QByteArray output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    while (process.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return process.readAllStandardOutput();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Figures
{
    double receivedMs;
    double restoredMs;
    int exact;
    int runs;
};

Figures benchText(KeyboardInjector &keyboard, const QString &text, const char *label)
{
    constexpr int rounds = 10;
    constexpr double targetWriteDelayMs = 20; // the field writes its text after a 20 ms pause
    std::vector<double> received, restored;
    int exact = 0, runs = 0;
    for (int round = 0; round < rounds; ++round) {
        output(QStringLiteral("wl-copy"), {usersText});
        TypingTarget target;
        if (!target.start()) {
            std::fputs("the text field did not get the focus\n", stderr);
            continue;
        }
        QElapsedTimer clock;
        clock.start();
        if (!keyboard.typeText(text)) {
            std::fputs("nothing typed\n", stderr);
            continue;
        }
        while (clock.elapsed() < 5000 && target.readText() != text)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const double receivedMs = std::max(0.0, clock.nsecsElapsed() / 1e6 - targetWriteDelayMs);
        while (clock.elapsed() < 8000 && output(QStringLiteral("wl-paste"), {QStringLiteral("-n")}) != usersText.toUtf8()) {
        }
        const double restoredMs = clock.nsecsElapsed() / 1e6;
        const bool right = target.readText() == text;
        std::printf("  %-16s received %7.1f ms  user's clipboard back %7.1f ms  %s\n", label, receivedMs, restoredMs,
                    right ? "exact" : "WRONG");
        received.push_back(receivedMs);
        restored.push_back(restoredMs);
        exact += right;
        ++runs;
    }
    return {median(received), median(restored), exact, runs};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "wayland"); // the field runs on KWin itself
    const auto delivery = WaylandDelivery::connect();
    if (!delivery) {
        std::fputs("no compositor\n", stderr);
        return 1;
    }
    const auto keyboard = delivery->makeKeyboardInjector();
    std::printf("Typing path: %s\n", qPrintable(delivery->typingPath()));
    if (!keyboard->isTrusted()) {
        std::fputs("typing is not available\n", stderr);
        return 1;
    }
    QString longText;
    while (longText.size() < 1000)
        longText += sentence;
    const Figures short_ = benchText(*keyboard, QStringLiteral("naïve café 😀"), "short");
    const Figures long_ = benchText(*keyboard, longText, "1000 characters");
    std::printf("FIGURE kde_paste_delivery=%.1f ms\n", short_.receivedMs);
    std::printf("FIGURE kde_paste_delivery_1000=%.1f ms\n", long_.receivedMs);
    std::printf("FIGURE kde_paste_restored=%.1f ms\n", short_.restoredMs);
    std::printf("FIGURE kde_paste_exact=%d of %d\n", short_.exact + long_.exact, short_.runs + long_.runs);
    return 0;
}
