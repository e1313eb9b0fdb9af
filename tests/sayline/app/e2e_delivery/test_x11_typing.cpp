// Synthetic typing into a real X client under a private Xvfb.
#include "TypingTarget.h"
#include "XTestKeyboardInjector.h"
#include "XcbConnection.h"

#include <QProcess>
#include <QTest>

#include <memory>

namespace {

bool setLayout(const QString &layout)
{
    return QProcess::execute(QStringLiteral("setxkbmap"), {layout}) == 0;
}

// The display's core keyboard mapping, keysym by keysym.
QList<xcb_keysym_t> coreKeymap()
{
    XcbConnection connection;
    const xcb_setup_t *setup = connection.setup();
    const int count = setup->max_keycode - setup->min_keycode + 1;
    XcbReply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
        connection.get(), xcb_get_keyboard_mapping(connection.get(), setup->min_keycode, count), nullptr));
    if (!reply)
        return {};
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    return QList<xcb_keysym_t>(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
}

bool xdotoolKey(const QString &action, const QString &key)
{
    return QProcess::execute(QStringLiteral("xdotool"), {action, key}) == 0;
}

} // namespace

class X11TypingTest : public QObject
{
    Q_OBJECT

private slots:
    void typesEveryCharacterAsItself_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("text");
        const QList<std::pair<const char *, QString>> texts = {
            {"ascii", QStringLiteral("Hello, World! 0123456789 ~`@#$%^&*()_+-=[]{}|;':\",./<>?\\ Quick Fox")},
            {"accents", QStringLiteral("Crème brûlée, façade, naïve, Ångström, señor, Øre, żółć, ÉÈÊ")},
            {"sharp s", QStringLiteral("Straße, Fußgänger, GROẞ")},
            {"emoji", QStringLiteral("Hi 👋 party 🎉🎉 done 🙂!")},
            {"lines and tabs", QStringLiteral("first line\nsecond\tcolumn\r\nthird")},
            {"mixed", QStringLiteral("Déjà vu: Grüße aus Köln – l'été à Paris, ça va? 😀 Ärger über 5 €.")},
        };
        for (const char *layout : {"us", "de", "fr"}) {
            for (const auto &[name, text] : texts)
                QTest::addRow("%s, %s", layout, name) << QString::fromLatin1(layout) << text;
        }
        // Far more distinct characters than any keymap has spare keycodes: the
        // text goes in several chunks of remapped keys.
        QString many;
        for (char32_t c = U'α'; c <= U'ω'; ++c)
            many += QString::fromUcs4(&c, 1);
        for (char32_t c = 0x4e00; c < 0x4e00 + 300; ++c)
            many += QString::fromUcs4(&c, 1);
        QTest::newRow("us, more distinct characters than spare keys") << QStringLiteral("us") << many + " end";
    }

    void typesEveryCharacterAsItself()
    {
        QFETCH(QString, layout);
        QFETCH(QString, text);
        QVERIFY(setLayout(layout));
        TypingTarget target;
        QVERIFY(target.start());

        XTestKeyboardInjector keyboard;
        QVERIFY(keyboard.typeText(text));
        QString expected = text;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(target.waitForText(expected), expected);
    }

    void typesTextsInQuickSuccession_data()
    {
        QTest::addColumn<QString>("layoutBetween");
        QTest::newRow("same layout") << QString();
        QTest::newRow("layout switched between texts") << QStringLiteral("de");
    }

    void typesTextsInQuickSuccession()
    {
        // Later texts reuse the characters already lent to spare keys and add new ones.
        QFETCH(QString, layoutBetween);
        QVERIFY(setLayout(QStringLiteral("us")));
        TypingTarget target;
        QVERIFY(target.start());
        XTestKeyboardInjector keyboard;
        const QStringList texts = {QStringLiteral("Ça 🎉 "), QStringLiteral("ça Ω 🎉 "), QStringLiteral("Ωß€ Ça!")};
        QString expected;
        for (const QString &text : texts) {
            QVERIFY(keyboard.typeText(text));
            expected += text;
            if (!layoutBetween.isEmpty() && expected == texts.first()) {
                // A new keymap wipes what was lent; once the first text has arrived.
                QCOMPARE(target.waitForText(expected), expected);
                QVERIFY(setLayout(layoutBetween));
            }
        }
        QCOMPARE(target.waitForText(expected), expected);
    }

    void restoresTheKeymap_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("us, a while later") << QStringLiteral("us") << false;
        QTest::newRow("fr, a while later") << QStringLiteral("fr") << false;
        QTest::newRow("us, at once when the injector goes") << QStringLiteral("us") << true;
    }

    void restoresTheKeymap()
    {
        QFETCH(QString, layout);
        QFETCH(bool, destroyed);
        QVERIFY(setLayout(layout));
        const QList<xcb_keysym_t> before = coreKeymap();
        QVERIFY(!before.isEmpty());
        TypingTarget target;
        QVERIFY(target.start());

        auto keyboard = std::make_unique<XTestKeyboardInjector>();
        const QString text = QStringLiteral("ÆØÅ æøå ß 🎉 ♥ Ω");
        QVERIFY(keyboard->typeText(text));
        QCOMPARE(target.waitForText(text), text);
        QVERIFY(coreKeymap() != before); // still lent, for clients that read late
        if (destroyed) {
            keyboard.reset();
            QCOMPARE(coreKeymap(), before);
        }
        QTRY_COMPARE_WITH_TIMEOUT(coreKeymap(), before, 10000);
    }

    void reportsHeldModifiers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("held");
        QTest::newRow("Control") << QStringLiteral("Control_L") << QStringList{QStringLiteral("Control")};
        QTest::newRow("right Control") << QStringLiteral("Control_R") << QStringList{QStringLiteral("Control")};
        QTest::newRow("Shift") << QStringLiteral("Shift_L") << QStringList{QStringLiteral("Shift")};
        QTest::newRow("Alt") << QStringLiteral("Alt_L") << QStringList{QStringLiteral("Alt")};
        QTest::newRow("Super") << QStringLiteral("Super_L") << QStringList{QStringLiteral("Super")};
        QTest::newRow("AltGr") << QStringLiteral("ISO_Level3_Shift") << QStringList{QStringLiteral("AltGr")};
        QTest::newRow("a lock is no held modifier") << QStringLiteral("Caps_Lock") << QStringList{};
    }

    void reportsHeldModifiers()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, held);
        QVERIFY(setLayout(QStringLiteral("us")));
        XTestKeyboardInjector keyboard;
        QCOMPARE(keyboard.heldModifiers(), QStringList{});

        QVERIFY(xdotoolKey(QStringLiteral("keydown"), key));
        const QStringList whileHeld = keyboard.heldModifiers();
        QVERIFY(xdotoolKey(QStringLiteral("keyup"), key));
        const QStringList afterwards = keyboard.heldModifiers();
        if (key == QLatin1String("Caps_Lock"))
            QVERIFY(xdotoolKey(QStringLiteral("key"), key)); // unlock again
        QCOMPARE(whileHeld, held);
        QCOMPARE(afterwards, QStringList{});
    }
};

QTEST_GUILESS_MAIN(X11TypingTest)
#include "test_x11_typing.moc"
