// Display texts of shortcuts on a fake layout, menu key equivalents and the
// localization bundle.
#include "FakePlatform.h"

#include <KeyboardShortcuts.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace KeyboardShortcuts;
using namespace Qt::StringLiterals;

class TestKeyDisplay : public QObject
{
    Q_OBJECT

    FakePlatform platform;

private slots:
    void initTestCase() { platform = FakePlatform::install(); }

    void init()
    {
        *platform.layout = FakeKeyboardLayout();
        setLocalizationBundleSearchPaths({QStringLiteral(":/")});
    }

    // The text shown for a shortcut, and the key equivalent a menu item would use.
    void description_data()
    {
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("layoutText"); // what the layout types for keyCode; "-" keeps the US fake
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("menuKey"); // null: none
        using namespace CarbonModifier;
        const QString none;
        QTest::newRow("control-command-A") << 0 << (control | command) << "-" << u"⌃⌘A"_s << "a";
        QTest::newRow("escape") << 53 << 0 << "-" << u"⎋"_s << u"⎋"_s;
        QTest::newRow("shift-F5") << 96 << shift << "-" << u"⇧F5"_s << u"\uF708"_s;
        QTest::newRow("option keypad 1") << 83 << option << "-" << u"⌥1\u20E3"_s << none;
        QTest::newRow("layout decides the letter") << 16 << command << "z" << u"⌘Z"_s << "z";
        QTest::newRow("non-letter as typed") << 44 << control << "-" << u"⌃/"_s << "/";
        QTest::newRow("all modifiers in order") << 0 << (function | command | shift | option | control) << "-"
                                                << u"⌃⌥⇧⌘\U0001F310\uFE0EA"_s << "a";
        QTest::newRow("no character") << 52 << command << "-" << u"⌘\uFFFD"_s << none;
        QTest::newRow("two characters") << 0 << command << "ab" << u"⌘\uFFFD"_s << none;
        QTest::newRow("empty translation") << 0 << command << "" << u"⌘\uFFFD"_s << none;
        QTest::newRow("one grapheme of two code units") << 0 << command << u"e\u0301"_s << u"⌘E\u0301"_s
                                                        << u"e\u0301"_s;
        QTest::newRow("space is localized") << 49 << control << "-" << u"⌃Space"_s << " ";
        QTest::newRow("F1") << 122 << 0 << "-" << u"F1"_s << u"\uF704"_s;
        QTest::newRow("F20") << 90 << 0 << "-" << u"F20"_s << u"\uF717"_s;
        QTest::newRow("keypad 0") << 82 << 0 << "-" << u"0\u20E3"_s << none;
        QTest::newRow("keypad clear") << 71 << 0 << "-" << u"☒\u20E3"_s << none;
        QTest::newRow("keypad plus") << 69 << 0 << "-" << u"+\u20E3"_s << none;
        QTest::newRow("negative key code") << -7 << 0 << "-" << u"\uFFFD"_s << none;
    }
    void description()
    {
        QFETCH(int, keyCode);
        QFETCH(int, modifiers);
        QFETCH(QString, layoutText);
        QFETCH(QString, expected);
        QFETCH(QString, menuKey);
        if (layoutText != QLatin1String("-"))
            platform.layout->texts.insert(keyCode, layoutText);
        QCOMPARE(Shortcut(keyCode, modifiers).description(), expected);
        QCOMPARE(Shortcut(keyCode, modifiers).nsMenuItemKeyEquivalent(),
                 menuKey.isNull() ? std::nullopt : std::optional<QString>(menuKey));
    }

    void specialKeysNeverUseTheLayout()
    {
        platform.layout->texts.insert(Key::escape.rawValue, "\x1b");
        platform.layout->texts.insert(Key::space.rawValue, " ");
        QCOMPARE(keyToCharacter(Key::escape.rawValue), std::nullopt);
        QCOMPARE(keyToCharacter(Key::space.rawValue), std::nullopt);
    }

    void everySpecialKeyHasItsOwnCodeAndAText()
    {
        for (int index = 0; index <= int(SpecialKey::keypadPlus); ++index) {
            const SpecialKey key = SpecialKey(index);
            QCOMPARE(specialKey(keyOf(key)), std::optional<SpecialKey>(key));
            QVERIFY(!presentableDescription(key).isEmpty());
        }
        QCOMPARE(specialKey(Key::a), std::nullopt);
    }

    void capitalizationTitleCasesEachWord()
    {
        QCOMPARE(capitalized("space"), "Space");
        QCOMPARE(capitalized("SPACE bar"), "Space Bar");
        QCOMPARE(capitalized(u"é"_s), u"É"_s);
        QCOMPARE(capitalized(""), "");
    }

    void everyRecorderTextIsInTheBundle()
    {
        const QStringList keys{"record_shortcut", "press_shortcut", "space_key", "keyboard_shortcut_used_by_menu_item",
                               "keyboard_shortcut_disallowed", "keyboard_shortcut_used_by_system",
                               "keyboard_shortcuts_can_be_changed", "ok", "force_use_shortcut"};
        for (const QString &key : keys) {
            QVERIFY2(!localized(key).isEmpty() && localized(key) != key, qPrintable(key));
        }
        QCOMPARE(localized("ok"), "OK");
        QVERIFY(localized("keyboard_shortcut_used_by_menu_item").contains("%1"));
        QCOMPARE(localized("no_such_key"), "no_such_key");
    }

    void aMissingBundleFallsBackToTheKeys()
    {
        QTemporaryDir empty;
        setLocalizationBundleSearchPaths({empty.path()});
        OutputCapture output;
        QCOMPARE(localized("space_key"), "space_key");
        QCOMPARE(localized("ok"), "ok");
        QCOMPARE(output.finish(), QByteArray("unable to find bundle named KeyboardShortcuts_KeyboardShortcuts\n"));
        QCOMPARE(Shortcut(Key::space).description(), "Space_key");
    }

    void thePreferredLanguageWinsAndEnglishFillsGaps_data()
    {
        QTest::addColumn<bool>("installedBesideBuiltIn");
        QTest::newRow("one folder with English and German") << false;
        QTest::newRow("German installed for the user and the system, English built in") << true;
    }

    void thePreferredLanguageWinsAndEnglishFillsGaps()
    {
        QFETCH(bool, installedBesideBuiltIn);
        QTemporaryDir user, system;
        const auto write = [](const QTemporaryDir &dir, const char *file, const QByteArray &json) {
            QVERIFY(QDir(dir.path()).mkpath("KeyboardShortcuts_KeyboardShortcuts"));
            QFile out(dir.filePath(QStringLiteral("KeyboardShortcuts_KeyboardShortcuts/") + file));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(json);
        };
        write(system, "de.json", "{\"space_key\": \"leertaste\", \"ok\": \"OK\"}");
        if (installedBesideBuiltIn) {
            write(user, "de.json", "{\"space_key\": \"LEERTASTE\"}"); // the earlier folder wins
            setLocalizationBundleSearchPaths({QStringLiteral(":/"), user.path(), system.path()});
        } else {
            write(system, "en.json", "{\"space_key\": \"space\", \"record_shortcut\": \"Record\"}");
            setLocalizationBundleSearchPaths({system.path() + "/missing", system.path()});
        }
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString space = localized("space_key");
        const QString record = localized("record_shortcut");
        QLocale::setDefault(saved);
        QCOMPARE(space, installedBesideBuiltIn ? "LEERTASTE" : "leertaste");
        QCOMPARE(record, installedBesideBuiltIn ? "Record Shortcut" : "Record"); // English where German has none
        QCOMPARE(Shortcut(Key::space).description(), "Leertaste");
    }
};

QTEST_GUILESS_MAIN(TestKeyDisplay)
#include "tst_keydisplay.moc"
