// The compositor quits while the delivery adapters live: one clear line, and
// from then on every call reports failure instead of crashing or hanging.
#include "KeyboardInjector.h"
#include "OutputCapture.h"
#include "Pasteboard.h"
#include "WaylandDelivery.h"

#include <QProcess>
#include <QTest>

class CompositorGoneTest : public QObject
{
    Q_OBJECT

private slots:
    void adaptersReportFailure()
    {
        const auto delivery = WaylandDelivery::connect();
        QVERIFY(delivery);
        const auto pasteboard = delivery->makePasteboard();
        const auto keyboard = delivery->makeKeyboardInjector();
        QVERIFY(pasteboard && keyboard->isTrusted());
        QVERIFY(pasteboard->setString(QStringLiteral("before")));

        OutputCapture errors(STDERR_FILENO);
        // swaymsg's complaint that the compositor left without answering is not ours.
        QProcess quit;
        quit.setStandardErrorFile(QProcess::nullDevice());
        quit.start(QStringLiteral("swaymsg"), {QStringLiteral("exit")});
        QVERIFY(quit.waitForFinished());
        QTRY_VERIFY(!keyboard->isTrusted());
        QVERIFY(!keyboard->typeText(QStringLiteral("after")));
        QVERIFY(!pasteboard->setString(QStringLiteral("after")));
        pasteboard->clearContents();
        const QStringList lines = errors.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 1, qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY2(lines.first().startsWith(QStringLiteral("Wayland: the connection to the compositor broke")),
                 qPrintable(lines.first()));
    }

    void noCompositorToConnectTo()
    {
        qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-0");
        OutputCapture errors(STDERR_FILENO);
        QVERIFY(!WaylandDelivery::connect());
        QVERIFY(errors.text().startsWith(QStringLiteral("Wayland: cannot connect to the compositor")));
    }
};

QTEST_GUILESS_MAIN(CompositorGoneTest)
#include "test_compositor_gone.moc"
