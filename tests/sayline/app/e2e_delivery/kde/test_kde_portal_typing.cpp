// Typing through KDE Plasma's real desktop portal (headless KWin and
// xdg-desktop-portal-kde from tests/support/with-kde, checking desktop entries):
// a program KWin grants no fake input gets the portal's RemoteDesktop keyboard
// (KDE grants it without a dialog here), and any text reaches a Qt text field
// exactly through the clipboard and Shift+Insert, the user's own clipboard text
// (set by wl-copy) back afterwards (read by wl-paste).
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "RemoteDesktopPasteInjector.h"
#include "SwaySession.h"
#include "TypingTarget.h"
#include "WaylandDelivery.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

namespace {

QString clipboard()
{
    return QString::fromUtf8(SwaySession::run(QStringLiteral("wl-paste"), {QStringLiteral("-n")}).standardOutput);
}

} // namespace

class KdePortalTypingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("QT_QPA_PLATFORM", "wayland");
        m_delivery = WaylandDelivery::connect();
        QVERIFY(m_delivery);
        QVERIFY(!m_delivery->offersTyping()); // no fake input for an undeclared program
        QString why;
        auto keyboard = RemoteDesktopPasteInjector::connect(m_delivery->makePasteboard(), 2000, &why);
        QVERIFY2(keyboard, qPrintable(why));
        QVERIFY(!keyboard->isTrusted());
        QVERIFY(keyboard->requestTrust());
        QVERIFY(QTest::qWaitFor([&] { return keyboard->isTrusted(); }, 10000));
        m_keyboard = std::move(keyboard);
    }

    void typesExactlyAndGivesTheClipboardBack()
    {
        const QString usersText = QStringLiteral("the user's own text – ✓");
        QCOMPARE(SwaySession::run(QStringLiteral("wl-copy"), {usersText}).exitCode, 0);
        TypingTarget target;
        QVERIFY(target.start());
        const QString text = QStringLiteral("naïve café 😀");
        QVERIFY(m_keyboard->typeText(text));
        QCOMPARE(target.waitForPaste(text), text);
        QTRY_COMPARE(clipboard(), usersText);
    }

private:
    std::unique_ptr<WaylandDelivery> m_delivery;
    std::unique_ptr<KeyboardInjector> m_keyboard;
};

QTEST_GUILESS_MAIN(KdePortalTypingTest)
#include "test_kde_portal_typing.moc"
