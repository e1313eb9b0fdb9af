// The clipboard adapter under a private Xvfb, read back by another X client.
#include "Pasteboard.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

namespace {

struct XclipResult
{
    int exitCode = -1;
    QString output;
};

// Runs xclip while our event loop keeps answering its selection requests.
XclipResult xclip(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xclip"), arguments);
    if (!process.waitForStarted(5000))
        return {};
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

XclipResult readClipboard(const QString &target = QStringLiteral("UTF8_STRING"))
{
    return xclip({QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                  QStringLiteral("-t"), target});
}

} // namespace

class ClipboardHandoverTest : public QObject
{
    Q_OBJECT

private slots:
    void otherClientsReadTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("Hello from Sayline");
        QTest::newRow("accents and emoji") << QStringLiteral("Grüße, l'été, Straße 🎉👋");
        QTest::newRow("lines") << QStringLiteral("first line\nsecond line\n");
        QTest::newRow("large, sent in increments") << QStringLiteral("dictated words ").repeated(30000);
    }

    void otherClientsReadTheText()
    {
        QFETCH(QString, text);
        const auto pasteboard = makeDefaultPasteboard();
        pasteboard->clearContents();
        QVERIFY(pasteboard->setString(text));
        const XclipResult read = readClipboard();
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.output.size(), text.size());
        QCOMPARE(read.output, text);
    }

    void offersPlainTextOnly()
    {
        const auto pasteboard = makeDefaultPasteboard();
        pasteboard->clearContents();
        QVERIFY(pasteboard->setString(QStringLiteral("<b>not markup</b>")));
        const XclipResult targets = readClipboard(QStringLiteral("TARGETS"));
        QCOMPARE(targets.exitCode, 0);
        const QStringList offered = targets.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(offered.contains(QStringLiteral("UTF8_STRING")), qPrintable(targets.output));
        QVERIFY2(!offered.contains(QStringLiteral("text/html")), qPrintable(targets.output));
        QVERIFY2(!offered.contains(QStringLiteral("text/uri-list")), qPrintable(targets.output));
        QCOMPARE(readClipboard().output, QStringLiteral("<b>not markup</b>"));
        // The primary selection (what middle-click pastes) is left alone.
        QVERIFY(xclip({QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("primary")}).exitCode != 0);
    }

    void clearedClipboardOffersNothing()
    {
        const auto pasteboard = makeDefaultPasteboard();
        QVERIFY(pasteboard->setString(QStringLiteral("something")));
        QCOMPARE(readClipboard().output, QStringLiteral("something"));
        pasteboard->clearContents();
        QVERIFY(readClipboard().exitCode != 0);
    }
};

QTEST_MAIN(ClipboardHandoverTest)
#include "test_clipboard_handover.moc"
