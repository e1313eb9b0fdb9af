// Without a usable XTEST extension (or without any display) typing is not trusted
// and types nothing.
#include "XTestKeyboardInjector.h"

#include <QTest>

class UntrustedDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void notTrustedAndTypesNothing()
    {
        XTestKeyboardInjector keyboard;
        QCOMPARE(keyboard.isTrusted(), false);
        QCOMPARE(keyboard.typeText(QStringLiteral("hello")), false);
        QCOMPARE(keyboard.heldModifiers(), QStringList{});
    }
};

QTEST_GUILESS_MAIN(UntrustedDisplayTest)
#include "test_untrusted_display.moc"
