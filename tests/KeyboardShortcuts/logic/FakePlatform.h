#pragma once

#include "OutputCapture.h"

#include <HotKeySystem.h>
#include <KeyboardLayout.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <algorithm>
#include <memory>
#include <optional>

// Test doubles of the platform services: they record what they were asked.
struct FakeHotKeySystem : KeyboardShortcuts::HotKeySystem
{
    struct Grab
    {
        quint32 keyCode;
        quint32 modifiers;
        friend bool operator==(const Grab &, const Grab &) = default;
    };

    QHash<quint32, Grab> grabs;      // live registrations by id
    QHash<quint32, Status> failures; // key code -> status to return
    QSet<QPair<quint32, quint32>> heldByOthers;
    QList<QPair<quint32, quint32>> probes;
    EventHandler handler;
    int handlerInstalls = 0;
    QList<bool> eventsEnabledChanges;

    Status registerHotKey(quint32 keyCode, quint32 modifiers, quint32 id) override
    {
        if (failures.contains(keyCode))
            return failures.value(keyCode);
        grabs.insert(id, {keyCode, modifiers});
        return noErr;
    }
    void unregisterHotKey(quint32 id) override { grabs.remove(id); }
    bool installEventHandler(EventHandler h) override
    {
        ++handlerInstalls;
        handler = std::move(h);
        return true;
    }
    void setHotKeyEventsEnabled(bool enabled) override { eventsEnabledChanges.append(enabled); }
    bool isHeldByAnotherClient(quint32 keyCode, quint32 modifiers) override
    {
        probes.append({keyCode, modifiers});
        return heldByOthers.contains({keyCode, modifiers});
    }

    // The live id grabbing this combination, as the X server would report it.
    std::optional<quint32> idOf(quint32 keyCode, quint32 modifiers) const
    {
        for (auto it = grabs.begin(); it != grabs.end(); ++it) {
            if (it->keyCode == keyCode && it->modifiers == modifiers)
                return it.key();
        }
        return std::nullopt;
    }
    int liveGrabCount(quint32 keyCode, quint32 modifiers) const
    {
        return int(std::count(grabs.begin(), grabs.end(), Grab{keyCode, modifiers}));
    }
    // A physical press or release of a grabbed combination.
    bool press(quint32 keyCode, quint32 modifiers, KeyboardShortcuts::EventType type)
    {
        const std::optional<quint32> id = idOf(keyCode, modifiers);
        if (!id || !handler || eventsEnabledChanges.isEmpty() || !eventsEnabledChanges.last())
            return false;
        handler(*id, type);
        return true;
    }
};

// A US layout for letters, digits and a few punctuation keys; tests overwrite entries.
struct FakeKeyboardLayout : KeyboardShortcuts::KeyboardLayout
{
    QHash<int, QString> texts{
        {0, "a"}, {1, "s"}, {2, "d"}, {3, "f"}, {6, "z"}, {7, "x"}, {8, "c"}, {12, "q"}, {16, "y"},
        {18, "1"}, {27, "-"}, {40, "k"}, {43, ","}, {44, "/"},
    };
    std::optional<QString> translate(int keyCode) override
    {
        return texts.contains(keyCode) ? std::optional(texts.value(keyCode)) : std::nullopt;
    }
};

// Installs both fakes as the process-wide services; returns them for inspection.
struct FakePlatform
{
    FakeHotKeySystem *hotKeys = nullptr;
    FakeKeyboardLayout *layout = nullptr;

    static FakePlatform install()
    {
        FakePlatform platform;
        auto hotKeys = std::make_unique<FakeHotKeySystem>();
        auto layout = std::make_unique<FakeKeyboardLayout>();
        platform.hotKeys = hotKeys.get();
        platform.layout = layout.get();
        KeyboardShortcuts::HotKeySystem::setShared(std::move(hotKeys));
        KeyboardShortcuts::KeyboardLayout::setShared(std::move(layout));
        return platform;
    }
};

