#include "CarbonKeyboardShortcuts.h"

#include "CarbonKeyCodes.h"
#include "HotKeySystem.h"
#include "MenuKeyEventFilter.h"
#include "MenuTracking.h"

#include <NotificationCenter.h>

#include <cstdio>

namespace KeyboardShortcuts {
namespace {

using HotKey = CarbonKeyboardShortcuts::HotKey;

struct State
{
    bool isEnabled = true;
    bool isSuspended = false;
    std::map<int, std::shared_ptr<HotKey>> hotKeys;
    int hotKeyIdCounter = 0;
    bool eventHandler = false;
    bool isMenuOpen = false;
    bool menuObserversInstalled = false;
    std::unique_ptr<MenuKeyEventFilter> menuTrackingMonitor;
    // Keys whose press the menu fallback matched, by key code, with the id of
    // the matched HotKey: their release belongs to it whatever modifiers are
    // still held (X clients such as xdotool let go of the modifiers first).
    std::map<int, int> pressedByFallback;
};

State &state()
{
    static State instance;
    return instance;
}

MenuKeyEventFilter &menuTrackingMonitor()
{
    auto &monitor = state().menuTrackingMonitor;
    if (!monitor)
        monitor = std::make_unique<MenuKeyEventFilter>(&CarbonKeyboardShortcuts::handleRawKeyEvent);
    return *monitor;
}

void printRegistrationError(const Shortcut &shortcut, int status)
{
    const QByteArray line = QStringLiteral("Error registering hotkey %1: %2\n")
                                .arg(shortcut.description())
                                .arg(status)
                                .toUtf8();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

// Registers with the platform. Codes or bits that do not fit its unsigned
// 32-bit parameters are refused here instead of wrapping round.
HotKeySystem::Status registerWithPlatform(const Shortcut &shortcut, int id)
{
    if (shortcut.carbonKeyCode < 0 || shortcut.carbonModifiers < 0 || id <= 0)
        return CarbonKeyboardShortcuts::invalidParameterStatus;
    return HotKeySystem::shared().registerHotKey(quint32(shortcut.carbonKeyCode),
                                                 quint32(shortcut.carbonModifiers), quint32(id));
}

void handleHotKeyEvent(quint32 id, EventType type)
{
    const auto &hotKeys = state().hotKeys;
    const auto it = hotKeys.find(int(id));
    if (it == hotKeys.end())
        return;
    const std::shared_ptr<HotKey> hotKey = it->second; // a callback may unregister it
    const auto &callback = type == EventType::keyDown ? hotKey->onKeyDown : hotKey->onKeyUp;
    if (callback)
        callback(hotKey->shortcut);
}

void dropAllRegistrations()
{
    for (auto &[id, hotKey] : state().hotKeys) {
        if (hotKey->carbonHotKey) {
            HotKeySystem::shared().unregisterHotKey(*hotKey->carbonHotKey);
            hotKey->carbonHotKey.reset();
        }
    }
}

void registerAll()
{
    auto &hotKeys = state().hotKeys;
    for (auto it = hotKeys.begin(); it != hotKeys.end();) {
        HotKey &hotKey = *it->second;
        if (hotKey.carbonHotKey) {
            ++it;
            continue;
        }
        const HotKeySystem::Status status = registerWithPlatform(hotKey.shortcut, hotKey.carbonHotKeyId);
        if (status == HotKeySystem::noErr) {
            hotKey.carbonHotKey = quint32(hotKey.carbonHotKeyId);
            ++it;
        } else {
            printRegistrationError(hotKey.shortcut, status);
            it = hotKeys.erase(it);
        }
    }
}

void setMenuOpen(bool open)
{
    const bool wasOpen = std::exchange(state().isMenuOpen, open);
    if (wasOpen != open)
        CarbonKeyboardShortcuts::updateEventHandler();
}

constexpr int modifierCombinationCount = 16;
constexpr int probedModifierBits[] = {CarbonModifier::control, CarbonModifier::option, CarbonModifier::shift,
                                      CarbonModifier::command};

// A live hot key of this process (never probed: a probe grab would release it).
bool isOurs(const Shortcut &shortcut)
{
    for (const auto &[id, hotKey] : state().hotKeys) {
        if (hotKey->carbonHotKey && hotKey->shortcut == shortcut)
            return true;
    }
    return false;
}

bool isModifierKey(int keyCode)
{
    return keyCode >= Key::rightCommand.rawValue && keyCode <= Key::function.rawValue;
}

} // namespace

void CarbonKeyboardShortcuts::registerShortcut(const Shortcut &shortcut, Callback onKeyDown, Callback onKeyUp)
{
    State &s = state();
    const int id = ++s.hotKeyIdCounter;
    const HotKeySystem::Status status = registerWithPlatform(shortcut, id);
    if (status != HotKeySystem::noErr) {
        printRegistrationError(shortcut, status);
        return;
    }
    s.hotKeys.emplace(id, std::make_shared<HotKey>(HotKey{shortcut, id, quint32(id), std::move(onKeyDown),
                                                          std::move(onKeyUp)}));
    if (!s.eventHandler && HotKeySystem::shared().installEventHandler(&handleHotKeyEvent)) {
        s.eventHandler = true;
        updateEventHandler();
    }
}

void CarbonKeyboardShortcuts::unregisterShortcut(const Shortcut &shortcut)
{
    auto &hotKeys = state().hotKeys;
    for (auto it = hotKeys.begin(); it != hotKeys.end();) {
        if (it->second->shortcut != shortcut) {
            ++it;
            continue;
        }
        if (it->second->carbonHotKey)
            HotKeySystem::shared().unregisterHotKey(*it->second->carbonHotKey);
        it = hotKeys.erase(it);
    }
}

void CarbonKeyboardShortcuts::setUpMenuTrackingObserversIfNeeded()
{
    State &s = state();
    if (s.menuObserversInstalled)
        return;
    s.menuObserversInstalled = true;
    auto &center = NotificationCenter::defaultCenter();
    center.addObserver(menuDidBeginTrackingNotification, [](const Notification &) { setMenuOpen(true); });
    center.addObserver(menuDidEndTrackingNotification, [](const Notification &) { setMenuOpen(false); });
}

void CarbonKeyboardShortcuts::updateEventHandler()
{
    State &s = state();
    if (!s.eventHandler)
        return;
    HotKeySystem &system = HotKeySystem::shared();
    const bool active = s.isEnabled && !s.isSuspended;
    if (active && !s.isMenuOpen) {
        registerAll();
        menuTrackingMonitor().stop();
        system.setHotKeyEventsEnabled(true);
    } else if (active) {
        dropAllRegistrations();
        system.setHotKeyEventsEnabled(false);
        menuTrackingMonitor().start();
    } else {
        dropAllRegistrations();
        system.setHotKeyEventsEnabled(false);
        menuTrackingMonitor().stop();
    }
}

bool CarbonKeyboardShortcuts::isEnabled()
{
    return state().isEnabled;
}

void CarbonKeyboardShortcuts::setEnabled(bool enabled)
{
    if (std::exchange(state().isEnabled, enabled) != enabled)
        updateEventHandler();
}

bool CarbonKeyboardShortcuts::isSuspended()
{
    return state().isSuspended;
}

void CarbonKeyboardShortcuts::setSuspended(bool suspended)
{
    if (std::exchange(state().isSuspended, suspended) != suspended)
        updateEventHandler();
}

QList<Shortcut> CarbonKeyboardShortcuts::systemShortcuts()
{
    // Every candidate but our own live hot keys, probed in one batch.
    QList<Shortcut> candidates;
    std::vector<std::pair<quint32, quint32>> combinations;
    for (const int keyCode : mappedCarbonKeyCodes()) {
        if (isModifierKey(keyCode))
            continue;
        for (int combination = 0; combination < modifierCombinationCount; ++combination) {
            int modifiers = 0;
            for (int bit = 0; bit < 4; ++bit) {
                if (combination & (1 << bit))
                    modifiers |= probedModifierBits[bit];
            }
            const Shortcut shortcut(keyCode, modifiers);
            if (isOurs(shortcut))
                continue;
            candidates.append(shortcut);
            combinations.emplace_back(quint32(keyCode), quint32(modifiers));
        }
    }
    const std::vector<bool> held = HotKeySystem::shared().areHeldByAnotherClient(combinations);
    QList<Shortcut> shortcuts;
    for (qsizetype i = 0; i < candidates.size() && std::size_t(i) < held.size(); ++i) {
        if (held[std::size_t(i)])
            shortcuts.append(candidates[i]);
    }
    return shortcuts;
}


bool CarbonKeyboardShortcuts::isSystemShortcut(const Shortcut &shortcut)
{
    if (shortcut.carbonKeyCode < 0 || shortcut.carbonModifiers < 0 || isOurs(shortcut))
        return false;
    return HotKeySystem::shared().isHeldByAnotherClient(quint32(shortcut.carbonKeyCode),
                                                        quint32(shortcut.carbonModifiers));
}

bool CarbonKeyboardShortcuts::handleRawKeyEvent(const KeyEvent &event)
{
    if (event.type == KeyEvent::Type::other)
        return false;
    State &s = state();
    std::shared_ptr<HotKey> match;
    if (event.type == KeyEvent::Type::keyUp) {
        if (const auto pressed = s.pressedByFallback.find(event.keyCode); pressed != s.pressedByFallback.end()) {
            const auto it = s.hotKeys.find(pressed->second);
            if (it != s.hotKeys.end())
                match = it->second;
            s.pressedByFallback.erase(pressed);
        }
    }
    if (!match) {
        const int modifiers = carbonModifiers(event.modifierFlags);
        for (const auto &[id, hotKey] : s.hotKeys) {
            if (hotKey->shortcut.carbonKeyCode == event.keyCode && hotKey->shortcut.carbonModifiers == modifiers) {
                match = hotKey;
                break;
            }
        }
    }
    if (!match)
        return false;
    if (event.type == KeyEvent::Type::keyDown)
        s.pressedByFallback[event.keyCode] = match->carbonHotKeyId;
    // `match` keeps the record alive while its callback runs, even if it unregisters it.
    const auto &callback = event.type == KeyEvent::Type::keyDown ? match->onKeyDown : match->onKeyUp;
    if (callback)
        callback(match->shortcut);
    return true;
}

const std::map<int, std::shared_ptr<CarbonKeyboardShortcuts::HotKey>> &CarbonKeyboardShortcuts::hotKeys()
{
    return state().hotKeys;
}

int CarbonKeyboardShortcuts::hotKeyIdCounter()
{
    return state().hotKeyIdCounter;
}

bool CarbonKeyboardShortcuts::isMenuOpen()
{
    return state().isMenuOpen;
}

bool CarbonKeyboardShortcuts::hasEventHandler()
{
    return state().eventHandler;
}

} // namespace KeyboardShortcuts
