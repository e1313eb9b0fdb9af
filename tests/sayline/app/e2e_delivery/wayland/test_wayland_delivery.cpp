// Text delivery on a real compositor (headless sway, started by with-sway): the
// clipboard read back by wl-paste, text typed into foot and into a Qt text
// field on the wayland platform, and a compositor without virtual keyboards.
#include "KeyboardInjector.h"
#include "OutputCapture.h"
#include "Pasteboard.h"
#include "SwaySession.h"
#include "TypingTarget.h"
#include "WaylandDelivery.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString mixedText = QStringLiteral("Crème brûlée, Straße, naïve – 日本語の文 😀👋\nzweite Zeile\tmit Tab");

SwaySession::Output paste(const QStringList &extra = {})
{
    return SwaySession::run(QStringLiteral("wl-paste"), QStringList{QStringLiteral("-n")} + extra);
}

// foot running `cat > FILE`, focused: what it receives once a line is complete.
class FootTarget
{
public:
    bool start()
    {
        m_process.start(QStringLiteral("foot"), {QStringLiteral("sh"), QStringLiteral("-c"),
                                                 QStringLiteral("exec cat > ") + m_file});
        return m_process.waitForStarted(5000) && SwaySession::waitForFocus(m_process.processId());
    }
    ~FootTarget()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    QString waitForText(const QString &expected)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && readText() != expected)
            QTest::qWait(20);
        QTest::qWait(150); // stray extra characters show up too
        return readText();
    }

private:
    QString readText() const
    {
        QFile file(m_file);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("typed.txt"));
    QProcess m_process;
};

// Starts the target (focused), types the text into it and returns what it received.
template <typename Target>
QString typedInto(KeyboardInjector &keyboard, const QString &text)
{
    Target target;
    if (!target.start())
        return QStringLiteral("(the target did not get the focus)");
    if (!keyboard.typeText(text))
        return QStringLiteral("(nothing typed)");
    return target.waitForText(text);
}

} // namespace

class WaylandDeliveryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The Qt text field runs on the compositor, not on XWayland.
        qputenv("QT_QPA_PLATFORM", "wayland");
        m_delivery = WaylandDelivery::connect();
        QVERIFY(m_delivery);
        QVERIFY(m_delivery->offeredProtocols().contains(QStringLiteral("zwlr_data_control_manager_v1")));
        QVERIFY(m_delivery->offersClipboard());
        QVERIFY(m_delivery->offersTyping());
        m_pasteboard = m_delivery->makePasteboard();
        m_keyboard = m_delivery->makeKeyboardInjector();
        QVERIFY(m_pasteboard);
        QVERIFY(m_keyboard->isTrusted());
    }

    void clipboardHoldsTheExactText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("accents, CJK, emoji, line breaks") << mixedText + QStringLiteral("\n\nend\n");
        QTest::newRow("large, served in pieces") << QStringLiteral("Grüße aus Köln 🎉 ").repeated(40000);
    }

    void clipboardHoldsTheExactText()
    {
        QFETCH(QString, text);
        m_pasteboard->clearContents();
        QVERIFY(m_pasteboard->setString(text));
        // Read by separate programs, several times and under every offered type.
        for (const QString &type : {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"),
                                    QStringLiteral("UTF8_STRING"), QStringLiteral("TEXT"), QStringLiteral("STRING")}) {
            const SwaySession::Output read = paste({QStringLiteral("-t"), type});
            QCOMPARE(read.exitCode, 0);
            QVERIFY2(read.standardOutput == text.toUtf8(), qPrintable(type));
        }
        const SwaySession::Output types = paste({QStringLiteral("--list-types")});
        QCOMPARE(QString::fromUtf8(types.standardOutput).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 QStringList({"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "TEXT", "STRING"}));
    }

    void anotherProgramTakesTheClipboard()
    {
        QVERIFY(m_pasteboard->setString(QStringLiteral("ours")));
        QCOMPARE(SwaySession::run(QStringLiteral("wl-copy"), {QStringLiteral("theirs")}).exitCode, 0);
        QTRY_COMPARE(paste().standardOutput, QByteArray("theirs"));
        // Ours again, from a new source.
        QVERIFY(m_pasteboard->setString(QStringLiteral("ours again")));
        QCOMPARE(paste().standardOutput, QByteArray("ours again"));
        m_pasteboard->clearContents();
        QVERIFY(paste().exitCode != 0);
    }

    void readerThatNeverReadsBlocksNothing()
    {
        QVERIFY(m_pasteboard->setString(QStringLiteral("x").repeated(1 << 20)));
        // A reader that stops after a few bytes; the rest cannot be written.
        QProcess stuck;
        stuck.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("wl-paste -n | sleep 3")});
        QVERIFY(stuck.waitForStarted());
        QTest::qWait(300);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(paste().standardOutput.size(), 1 << 20);
        QVERIFY2(clock.elapsed() < 2000, "a stuck reader held up the next one");
        stuck.waitForFinished();
    }

    void typesEveryCharacterExactly_data()
    {
        // The session's layout (us, or what its configuration sets), then
        // another one set while our keyboard exists.
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("layout");
        for (const char *layout : {"", "de"}) {
            const char *name = *layout ? layout : "as configured";
            QTest::addRow("foot, %s", name) << QStringLiteral("foot") << QString::fromLatin1(layout);
            QTest::addRow("Qt text field, %s", name) << QStringLiteral("wayland") << QString::fromLatin1(layout);
            QTest::addRow("Qt text field on XWayland, %s", name) << QStringLiteral("xcb") << QString::fromLatin1(layout);
        }
    }

    void typesEveryCharacterExactly()
    {
        QFETCH(QString, target);
        QFETCH(QString, layout);
        if (!layout.isEmpty())
            QVERIFY(SwaySession::setLayout(layout));
        // cat receives a line once Return is typed.
        const QString text = mixedText + QLatin1Char('\n');
        if (target == QLatin1String("foot")) {
            QCOMPARE(typedInto<FootTarget>(*m_keyboard, text), text);
        } else {
            qputenv("QT_QPA_PLATFORM", target.toLatin1()); // the field's platform
            const QString received = typedInto<TypingTarget>(*m_keyboard, text);
            qputenv("QT_QPA_PLATFORM", "wayland");
            QCOMPARE(received, text);
        }
    }

    // The compositor drops keys sent right after a virtual keyboard appears.
    void firstTextRightAfterStartIsComplete()
    {
        FootTarget foot;
        QVERIFY(foot.start());
        QString expected;
        for (int round = 0; round < 10; ++round) {
            const auto delivery = WaylandDelivery::connect();
            QVERIFY(delivery);
            const QString text = QStringLiteral("Ça %1\n").arg(round);
            QVERIFY(delivery->makeKeyboardInjector()->typeText(text));
            expected += text;
        }
        QCOMPARE(foot.waitForText(expected), expected);
    }

    void typesMoreDistinctCharactersThanOneKeymapHolds()
    {
        QString many;
        for (char32_t c = 0x4e00; c < 0x4e00 + 600; ++c)
            many += QString::fromUcs4(&c, 1);
        many += QStringLiteral(" 😀 end");
        QCOMPARE(typedInto<TypingTarget>(*m_keyboard, many), many);
    }

    // Keys of our keyboard carry its own modifier state, not that of a key held
    // on another keyboard: the text arrives as text, not as shortcuts.
    void heldControlOnAnotherKeyboardChangesNothing()
    {
        TypingTarget field;
        QVERIFY(field.start());
        QProcess holder;
        holder.start(QStringLiteral("wtype"), {QStringLiteral("-M"), QStringLiteral("ctrl"), QStringLiteral("-s"),
                                               QStringLiteral("2000"), QStringLiteral("-m"), QStringLiteral("ctrl")});
        QVERIFY(holder.waitForStarted());
        QTest::qWait(400);
        QCOMPARE(m_keyboard->heldModifiers(), QStringList{});
        const QString text = QStringLiteral("ab Ça 😀");
        QVERIFY(m_keyboard->typeText(text));
        QCOMPARE(field.waitForText(text), text);
        holder.waitForFinished(5000);
    }

    void withoutVirtualKeyboardsTypingIsUntrusted()
    {
        const auto delivery = WaylandDelivery::connect({QStringLiteral("zwp_virtual_keyboard_manager_v1")});
        QVERIFY(delivery);
        QVERIFY(!delivery->offersTyping());
        const auto keyboard = delivery->makeKeyboardInjector();
        QVERIFY(!keyboard->isTrusted());
        QVERIFY(!keyboard->typeText(QStringLiteral("nothing")));
        // The clipboard still works.
        const auto pasteboard = delivery->makePasteboard();
        QVERIFY(pasteboard);
        QVERIFY(pasteboard->setString(QStringLiteral("still here")));
        QCOMPARE(paste().standardOutput, QByteArray("still here"));
    }

    void withoutDataControlThereIsNoPasteboard()
    {
        const auto delivery = WaylandDelivery::connect({QStringLiteral("zwlr_data_control_manager_v1")});
        QVERIFY(delivery);
        QVERIFY(!delivery->offersClipboard());
        QVERIFY(!delivery->makePasteboard());
    }

private:
    std::unique_ptr<WaylandDelivery> m_delivery;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<KeyboardInjector> m_keyboard;
};

QTEST_GUILESS_MAIN(WaylandDeliveryTest)
#include "test_wayland_delivery.moc"
