#pragma once

#include "Key.h"
#include "KeyEvent.h"
#include "ModifierFlags.h"

#include <QByteArray>
#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <functional>
#include <optional>

namespace KeyboardShortcuts {

struct Name;

// A key combination: a Carbon key code and Carbon modifier bits. This pair is
// also the stored form, {"carbonKeyCode":0,"carbonModifiers":4352} for
// Control-Command-A, so both fields keep their Carbon meaning on Linux.
struct Shortcut
{
    int carbonKeyCode = 0;
    int carbonModifiers = 0;

    // Key code 0 (A) without modifiers; for containers and QVariant.
    Shortcut() = default;
    // Keeps the key code; the modifiers are normalized (only control, option,
    // shift, command and function survive).
    Shortcut(int carbonKeyCode, int carbonModifiers);
    explicit Shortcut(Key key, ModifierFlags modifiers = {});

    // A key-down or key-up event; any other event gives none. The function flag
    // is dropped, so a recorded shortcut never carries it.
    static std::optional<Shortcut> fromEvent(const KeyEvent &event);

    // The shortcut stored for `name`; none when absent or unreadable (getShortcut).
    static std::optional<Shortcut> fromName(const Name &name);

    // The JSON object with the two integer members, compact, as stored.
    QByteArray toJson() const;
    // Decodes that form, taking both integers exactly as written (modifiers are
    // not normalized). Anything else gives none.
    static std::optional<Shortcut> fromJson(const QByteArray &json);

    Key key() const { return Key(carbonKeyCode); }
    ModifierFlags modifiers() const { return modifierFlags(carbonModifiers); }

    // The text shown to the user, e.g. "⌃⌘A" (modifier glyphs, then the key).
    QString description() const;
    // The character a menu item would use as key equivalent; none for keypad keys
    // and for keys that type nothing on the current layout.
    std::optional<QString> nsMenuItemKeyEquivalent() const;

    friend bool operator==(const Shortcut &, const Shortcut &) = default;

private:
    struct Exact {};
    Shortcut(Exact, int keyCode, int modifiers) : carbonKeyCode(keyCode), carbonModifiers(modifiers) {}
};

inline size_t qHash(const Shortcut &shortcut, size_t seed = 0) noexcept
{
    return qHashMulti(seed, shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

} // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::Shortcut)

template<>
struct std::hash<KeyboardShortcuts::Shortcut>
{
    size_t operator()(const KeyboardShortcuts::Shortcut &shortcut) const noexcept
    {
        return KeyboardShortcuts::qHash(shortcut);
    }
};
