// Shortcut values, their stored form, key events and the key-code table.
#include <CarbonKeyCodes.h>
#include <KeyboardShortcuts.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace KeyboardShortcuts;

Q_DECLARE_METATYPE(KeyboardShortcuts::ModifierFlags)

namespace {
constexpr int controlCommand = CarbonModifier::control | CarbonModifier::command; // 0x1100

// The stored form of a key code and modifiers.
QByteArray stored(int keyCode, int modifiers)
{
    return QStringLiteral("{\"carbonKeyCode\":%1,\"carbonModifiers\":%2}").arg(keyCode).arg(modifiers).toUtf8();
}
} // namespace

class TestShortcutValues : public QObject
{
    Q_OBJECT

private slots:
    void modifierTableConvertsBothWays_data()
    {
        QTest::addColumn<ModifierFlags>("flags");
        QTest::addColumn<int>("carbon");
        QTest::newRow("none") << ModifierFlags() << 0;
        QTest::newRow("control") << ModifierFlags(ModifierFlag::control) << 0x1000;
        QTest::newRow("option") << ModifierFlags(ModifierFlag::option) << 0x800;
        QTest::newRow("shift") << ModifierFlags(ModifierFlag::shift) << 0x200;
        QTest::newRow("command") << ModifierFlags(ModifierFlag::command) << 0x100;
        QTest::newRow("function") << ModifierFlags(ModifierFlag::function) << 0x20000;
        QTest::newRow("all five") << (ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift
                                      | ModifierFlag::command | ModifierFlag::function)
                                  << 0x21B00;
    }
    void modifierTableConvertsBothWays()
    {
        QFETCH(ModifierFlags, flags);
        QFETCH(int, carbon);
        QCOMPARE(carbonModifiers(flags), carbon);
        QCOMPARE(modifierFlags(carbon), flags);
    }

    void bitsOutsideTheTableAreDropped()
    {
        // Caps Lock and numeric pad flags; Carbon Caps Lock, right-side and Num Lock bits.
        QCOMPARE(carbonModifiers(ModifierFlag::capsLock | ModifierFlag::numericPad | ModifierFlag::command), 0x100);
        QCOMPARE(normalizedCarbonModifiers(0x1100 | 0x400 | 0x2000 | 0x4000 | 0x8000 | 0x10000), 0x1100);
        QCOMPARE(Shortcut(0, 0x1100 | CarbonModifier::capsLock).carbonModifiers, controlCommand);
    }

    void controlCommandAEncodesAsStored()
    {
        const Shortcut shortcut(Key::a, {ModifierFlag::control, ModifierFlag::command});
        QCOMPARE(shortcut.toJson(), QByteArray("{\"carbonKeyCode\":0,\"carbonModifiers\":4352}"));
        QCOMPARE(Shortcut::fromJson(shortcut.toJson()), std::optional<Shortcut>(shortcut));
    }

    void decodingTakesTheIntegersAsWritten_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("reencoded"); // empty: not a shortcut
        QTest::newRow("escape") << stored(53, 0) << stored(53, 0);
        QTest::newRow("member order free") << QByteArray("{\"carbonModifiers\":4352, \"carbonKeyCode\":0}") << stored(0, 4352);
        QTest::newRow("whole number as decimal") << QByteArray("{\"carbonKeyCode\":53.0,\"carbonModifiers\":0}") << stored(53, 0);
        // Stored values are not normalized: the Caps Lock bit survives decoding.
        QTest::newRow("caps lock kept") << stored(0, 5376) << stored(0, 5376);
        QTest::newRow("negative kept") << stored(-3, 0) << stored(-3, 0);
        QTest::newRow("missing member") << QByteArray("{\"carbonKeyCode\":53}") << QByteArray();
        QTest::newRow("text member") << QByteArray("{\"carbonKeyCode\":\"53\",\"carbonModifiers\":0}") << QByteArray();
        QTest::newRow("fraction") << QByteArray("{\"carbonKeyCode\":5.5,\"carbonModifiers\":0}") << QByteArray();
        QTest::newRow("too large") << QByteArray("{\"carbonKeyCode\":1e12,\"carbonModifiers\":0}") << QByteArray();
        QTest::newRow("null member") << QByteArray("{\"carbonKeyCode\":null,\"carbonModifiers\":0}") << QByteArray();
        QTest::newRow("array") << QByteArray("[53,0]") << QByteArray();
        QTest::newRow("number") << QByteArray("53") << QByteArray();
        QTest::newRow("Boolean") << QByteArray("false") << QByteArray();
        QTest::newRow("truncated") << QByteArray("{\"carbonKeyCode\":53,\"carbonMod") << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void decodingTakesTheIntegersAsWritten()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, reencoded);
        const std::optional<Shortcut> decoded = Shortcut::fromJson(json);
        QCOMPARE(decoded ? decoded->toJson() : QByteArray(), reencoded);
    }

    void shortcutFromEvent_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<ModifierFlags>("flags");
        QTest::addColumn<int>("carbonModifiers");
        QTest::addColumn<bool>("valid");
        const int down = int(KeyEvent::Type::keyDown), up = int(KeyEvent::Type::keyUp), other = int(KeyEvent::Type::other);
        QTest::newRow("key down") << down << (ModifierFlag::control | ModifierFlag::command) << 0x1100 << true;
        QTest::newRow("key up") << up << ModifierFlags(ModifierFlag::option) << 0x800 << true;
        QTest::newRow("function flag dropped") << down << (ModifierFlag::function | ModifierFlag::shift) << 0x200 << true;
        QTest::newRow("caps lock dropped") << down << (ModifierFlag::capsLock | ModifierFlag::command) << 0x100 << true;
        QTest::newRow("not a key event") << other << ModifierFlags(ModifierFlag::command) << 0 << false;
    }
    void shortcutFromEvent()
    {
        QFETCH(int, type);
        QFETCH(ModifierFlags, flags);
        QFETCH(int, carbonModifiers);
        QFETCH(bool, valid);
        const std::optional<Shortcut> shortcut = Shortcut::fromEvent({KeyEvent::Type(type), Key::k.rawValue, flags});
        QCOMPARE(shortcut.has_value(), valid);
        if (valid)
            QCOMPARE(*shortcut, Shortcut(Key::k.rawValue, carbonModifiers));
    }

    void qtKeyEventsBecomeKeyEvents_data()
    {
        QTest::addColumn<int>("qtType");
        QTest::addColumn<quint32>("xKeycode");
        QTest::addColumn<int>("qtModifiers");
        QTest::addColumn<quint32>("xState");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<ModifierFlags>("flags");
        const int down = int(KeyEvent::Type::keyDown), up = int(KeyEvent::Type::keyUp), other = int(KeyEvent::Type::other);
        QTest::newRow("ctrl+super+a") << int(QEvent::KeyPress) << 38u << int(Qt::ControlModifier | Qt::MetaModifier) << 0x44u
                                      << down << 0 << (ModifierFlag::control | ModifierFlag::command);
        QTest::newRow("release with caps lock") << int(QEvent::KeyRelease) << 9u << int(Qt::AltModifier) << 0x0Au
                                                << up << 53 << (ModifierFlag::option | ModifierFlag::capsLock);
        QTest::newRow("keypad 1 with shift") << int(QEvent::KeyPress) << 87u << int(Qt::KeypadModifier | Qt::ShiftModifier)
                                             << 0x1u << down << 83 << (ModifierFlag::numericPad | ModifierFlag::shift);
        QTest::newRow("F1") << int(QEvent::KeyPress) << 67u << 0 << 0u << down << 122 << ModifierFlags();
        QTest::newRow("unknown key") << int(QEvent::KeyPress) << 255u << 0 << 0u << other << 0 << ModifierFlags();
        QTest::newRow("no scan code") << int(QEvent::KeyPress) << 0u << 0 << 0u << other << 0 << ModifierFlags();
    }
    void qtKeyEventsBecomeKeyEvents()
    {
        QFETCH(int, qtType);
        QFETCH(quint32, xKeycode);
        QFETCH(int, qtModifiers);
        QFETCH(quint32, xState);
        QFETCH(int, type);
        QFETCH(int, keyCode);
        QFETCH(ModifierFlags, flags);
        const QKeyEvent qt(QEvent::Type(qtType), Qt::Key_A, Qt::KeyboardModifiers(qtModifiers), xKeycode, 0, xState);
        const KeyEvent event = KeyEvent::fromQEvent(qt);
        QCOMPARE(int(event.type), type);
        if (event.type != KeyEvent::Type::other) {
            QCOMPARE(event.keyCode, keyCode);
            QCOMPARE(event.modifierFlags, flags);
        }
    }

    void aMouseEventGivesNoShortcut()
    {
        const QMouseEvent click(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                                Qt::MetaModifier);
        QCOMPARE(int(KeyEvent::fromQEvent(click).type), int(KeyEvent::Type::other));
    }

    void keyCodeTableIsOneToOne()
    {
        int count = 0;
        for (const int carbon : mappedCarbonKeyCodes()) {
            const std::optional<int> evdev = evdevCodeForCarbonKeyCode(carbon);
            QVERIFY2(evdev, qPrintable(QString::number(carbon)));
            QCOMPARE(carbonKeyCodeForEvdevCode(*evdev), std::optional<int>(carbon));
            ++count;
        }
        QVERIFY(count > 100);
        const std::pair<Key, int> knownPositions[] = {{Key::a, KEY_A}, {Key::escape, KEY_ESC}, {Key::f12, KEY_F12},
            {Key::keypad9, KEY_KP9}, {Key::help, KEY_INSERT}, {Key::deleteForward, KEY_DELETE}, {Key::command, KEY_LEFTMETA}};
        for (const auto &[key, evdev] : knownPositions)
            QCOMPARE(evdevCodeForCarbonKeyCode(key.rawValue), std::optional<int>(evdev));
        QCOMPARE(evdevCodeForCarbonKeyCode(52), std::nullopt);
        QCOMPARE(evdevCodeForCarbonKeyCode(-1), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestShortcutValues)
#include "tst_shortcutvalues.moc"
