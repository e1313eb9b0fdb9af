#pragma once

#include "Shortcut.h"

#include <QMetaType>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// A named, user-changeable shortcut, e.g. Name("toggleMainWindow", Shortcut(Key::a,
// {ModifierFlag::control, ModifierFlag::command})). Its shortcut is stored in the
// user defaults under "KeyboardShortcuts_" + rawValue.
//
// Creating a name with a default stores that default (registering the hot key
// and posting the change notification) when the defaults hold nothing at all
// under its key; a stored shortcut, or the Boolean false left by a clear, is kept.
// Identity is rawValue only: names with equal text and different defaults are equal.
// Create names once the QGuiApplication exists: a stored default is registered
// as a hot key at once, and without a display that registration fails for good.
struct Name
{
    QString rawValue;
    std::optional<Shortcut> defaultShortcut;

    Name(QString rawValue, std::optional<Shortcut> defaultShortcut = std::nullopt);
    // An empty name, for QVariant; it has no side effects.
    Name() = default;

    QString userDefaultsKey() const;

    // The stored shortcut (getShortcut) and its writer (setShortcut).
    std::optional<Shortcut> shortcut() const;
    void setShortcut(const std::optional<Shortcut> &shortcut) const;

    friend bool operator==(const Name &a, const Name &b) { return a.rawValue == b.rawValue; }
};

inline size_t qHash(const Name &name, size_t seed = 0) noexcept { return ::qHash(name.rawValue, seed); }

} // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::Name)

template<>
struct std::hash<KeyboardShortcuts::Name>
{
    size_t operator()(const KeyboardShortcuts::Name &name) const noexcept { return qHash(name.rawValue); }
};
