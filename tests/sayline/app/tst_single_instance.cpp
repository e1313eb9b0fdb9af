// One Sayline per session. The hand-over from a later launch to the running
// one is exercised through the program in tests/e2e (dictation_panel).
#include "SingleInstance.h"

#include <QTest>
#include <QUuid>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    static QString freshKey() { return QUuid::createUuid().toString(QUuid::Id128); }

private slots:
    // A session's claim is held until its holder is gone; other sessions are independent.
    void claimIsHeldUntilTheHolderIsGone()
    {
        const QString key = freshKey();
        {
            SingleInstance first(key);
            QVERIFY(first.claim());
            SingleInstance second(key);
            QVERIFY(!second.claim());
            SingleInstance other(freshKey());
            QVERIFY(other.claim());
        }
        SingleInstance next(key);
        QVERIFY(next.claim());
    }

    void requestWithoutARunningInstanceFails()
    {
        SingleInstance nobody(freshKey());
        QVERIFY(!nobody.sendToRunningInstance(QStringLiteral("toggle"), 300));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
