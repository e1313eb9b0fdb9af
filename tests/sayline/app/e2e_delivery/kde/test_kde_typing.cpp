// Typing on KDE Plasma (headless KWin from tests/support/with-kde, checking
// desktop entries as in a user's session): fake input is granted only to a
// program whose desktop entry asks for it; then any text reaches a Qt text
// field exactly through the clipboard and Shift+Insert, and the user's own
// clipboard text (set by wl-copy) is back afterwards (read by wl-paste).
#include "KeyboardInjector.h"
#include "SwaySession.h"
#include "TypingTarget.h"
#include "WaylandDelivery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

// wl-paste reads what this process serves: its event loop runs meanwhile.
QString clipboard()
{
    return QString::fromUtf8(SwaySession::run(QStringLiteral("wl-paste"), {QStringLiteral("-n")}).standardOutput);
}

bool wlCopy(const QString &text)
{
    return SwaySession::run(QStringLiteral("wl-copy"), {text}).exitCode == 0;
}

// What KWin reads to grant fake input: this very executable, asking for it.
bool declareFakeInput()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/applications");
    QFile entry(folder + QStringLiteral("/kde-typing-test.desktop"));
    if (!QDir().mkpath(folder) || !entry.open(QIODevice::WriteOnly))
        return false;
    entry.write("[Desktop Entry]\nType=Application\nName=KDE typing test\nExec="
                + QCoreApplication::applicationFilePath().toUtf8()
                + "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
    return true;
}

} // namespace

class KdeTypingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The text field runs on the compositor, not on XWayland.
        qputenv("QT_QPA_PLATFORM", "wayland");
    }

    void fakeInputOnlyForDeclaredPrograms()
    {
        const auto undeclared = WaylandDelivery::connect();
        QVERIFY(undeclared);
        QVERIFY(undeclared->offersClipboard());
        QVERIFY(!undeclared->offersTyping());
        QVERIFY2(undeclared->typingPath().startsWith(QStringLiteral("none (")), qPrintable(undeclared->typingPath()));
        QVERIFY(!undeclared->makeKeyboardInjector()->isTrusted());

        QVERIFY(declareFakeInput());
        m_delivery = WaylandDelivery::connect();
        QVERIFY(m_delivery);
        QVERIFY(m_delivery->offersTyping());
        QCOMPARE(m_delivery->typingPath(), QStringLiteral("fake input + paste (Shift+Insert)"));
        m_keyboard = m_delivery->makeKeyboardInjector();
        QVERIFY(m_keyboard->isTrusted());
    }

    void typesExactlyAndGivesTheClipboardBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("usersClipboard");
        const QString usersText = QStringLiteral("the user's own text – ✓");
        QTest::newRow("not on the layout") << QStringLiteral("naïve café 😀") << usersText;
        QTest::newRow("plain ASCII") << QStringLiteral("Plain text, typed (1 + 2 = 3)!") << usersText;
    }

    void typesExactlyAndGivesTheClipboardBack()
    {
        QFETCH(QString, text);
        QFETCH(QString, usersClipboard);
        QVERIFY(m_keyboard);
        QVERIFY(wlCopy(usersClipboard));
        TypingTarget target;
        QVERIFY(target.start());
        QVERIFY(m_keyboard->typeText(text));
        QCOMPARE(target.waitForPaste(text), text);
        QTRY_COMPARE(clipboard(), usersClipboard);
    }

    // Two texts in a row: the second must not put the first (ours) back as the user's.
    void textsInARowRestoreTheUsersText()
    {
        QVERIFY(m_keyboard);
        QVERIFY(wlCopy(QStringLiteral("kept")));
        TypingTarget target;
        QVERIFY(target.start());
        QVERIFY(m_keyboard->typeText(QStringLiteral("one ")));
        QVERIFY(m_keyboard->typeText(QStringLiteral("two")));
        QCOMPARE(target.waitForPaste(QStringLiteral("one two")), QStringLiteral("one two"));
        QTRY_COMPARE(clipboard(), QStringLiteral("kept"));
    }

private:
    std::unique_ptr<WaylandDelivery> m_delivery;
    std::unique_ptr<KeyboardInjector> m_keyboard;
};

QTEST_GUILESS_MAIN(KdeTypingTest)
#include "test_kde_typing.moc"
