// Text to keysyms, and the split into chunks that fit the spare keys.
#include "TypingPlan.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <QTest>

using Keysyms = QList<xkb_keysym_t>;

class TypingPlanTest : public QObject
{
    Q_OBJECT

private slots:
    void keysymsForText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Keysyms>("keysyms");
        QTest::newRow("ascii") << QStringLiteral("aZ ") << Keysyms{XKB_KEY_a, XKB_KEY_Z, XKB_KEY_space};
        QTest::newRow("latin-1 keysym") << QStringLiteral("é") << Keysyms{XKB_KEY_eacute};
        QTest::newRow("emoji by code point") << QStringLiteral("🎉") << Keysyms{0x1000000 + 0x1F389};
        QTest::newRow("line breaks") << QStringLiteral("a\nb\r\nc\rd")
                                     << Keysyms{XKB_KEY_a, XKB_KEY_Return, XKB_KEY_b, XKB_KEY_Return,
                                                XKB_KEY_c, XKB_KEY_Return, XKB_KEY_d};
        QTest::newRow("tab") << QStringLiteral("\t") << Keysyms{XKB_KEY_Tab};
        QTest::newRow("controls left out") << QStringLiteral("a\x01\x1b\x7f") + QChar(0x85) + QStringLiteral("b")
                                           << Keysyms{XKB_KEY_a, XKB_KEY_b};
        QTest::newRow("no-break space kept") << QString(QChar(0xa0)) << Keysyms{XKB_KEY_nobreakspace};
    }

    void keysymsForText()
    {
        QFETCH(QString, text);
        QFETCH(Keysyms, keysyms);
        QCOMPARE(::keysymsForText(text), keysyms);
    }

    void chunksFitTheSpareKeys()
    {
        // a is on the layout; 1..5 are not; two spare keys.
        const Keysyms text{1, XKB_KEY_a, 2, 1, 3, 2, XKB_KEY_a, 4, 5, 5};
        const auto plan = planTyping(text, [](xkb_keysym_t k) { return k == XKB_KEY_a; }, 2);
        QVERIFY(plan);
        QCOMPARE(plan->size(), 3);
        QCOMPARE((*plan)[0].keysyms, (Keysyms{1, XKB_KEY_a, 2, 1}));
        QCOMPARE((*plan)[0].remapped, (Keysyms{1, 2}));
        QCOMPARE((*plan)[1].keysyms, (Keysyms{3, 2, XKB_KEY_a}));
        QCOMPARE((*plan)[1].remapped, (Keysyms{3, 2}));
        QCOMPARE((*plan)[2].keysyms, (Keysyms{4, 5, 5}));
        QCOMPARE((*plan)[2].remapped, (Keysyms{4, 5}));
    }

    void layoutKeysNeedNoSpareKeys()
    {
        const auto plan = planTyping(Keysyms{XKB_KEY_a, XKB_KEY_b}, [](xkb_keysym_t) { return true; }, 0);
        QVERIFY(plan);
        QCOMPARE(plan->size(), 1);
        QVERIFY(plan->first().remapped.isEmpty());
        QVERIFY(planTyping({}, [](xkb_keysym_t) { return true; }, 0)->isEmpty());
    }

    void withoutSpareKeysMissingCharactersCannotBeTyped()
    {
        QVERIFY(!planTyping(Keysyms{XKB_KEY_a, 7}, [](xkb_keysym_t k) { return k == XKB_KEY_a; }, 0));
    }
};

QTEST_GUILESS_MAIN(TypingPlanTest)
#include "test_typing_plan.moc"
