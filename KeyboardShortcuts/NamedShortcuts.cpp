#include "NamedShortcuts.h"

#include "CarbonKeyboardShortcuts.h"

#include <NotificationCenter.h>
#include <UserDefaults.h>

#include <QSet>

#include <map>
#include <utility>
#include <vector>

namespace KeyboardShortcuts {
namespace {

// A table keyed by name that keeps the order in which names were added.
template<typename Value>
class NameTable
{
public:
    Value &operator[](const Name &name)
    {
        if (Value *value = find(name))
            return *value;
        return m_entries.emplace_back(name, Value{}).second;
    }
    Value *find(const Name &name)
    {
        for (auto &[key, value] : m_entries) {
            if (key == name)
                return &value;
        }
        return nullptr;
    }
    void erase(const Name &name)
    {
        std::erase_if(m_entries, [&name](const auto &entry) { return entry.first == name; });
    }
    void clear() { m_entries.clear(); }
    const std::vector<std::pair<Name, Value>> &entries() const { return m_entries; }

private:
    std::vector<std::pair<Name, Value>> m_entries;
};

using StreamCallbacks = std::map<quint64, std::function<void()>>;

struct State
{
    QSet<Shortcut> registeredShortcuts;
    NameTable<std::vector<Action>> keyDownHandlers;
    NameTable<std::vector<Action>> keyUpHandlers;
    NameTable<StreamCallbacks> streamKeyDownHandlers;
    NameTable<StreamCallbacks> streamKeyUpHandlers;
    quint64 lastStreamId = 0;
    bool isPaused = false;
};

State &state()
{
    static State instance;
    return instance;
}

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

void postChange(const Name &name)
{
    NotificationCenter::defaultCenter().post(shortcutByNameDidChangeNotification,
                                             {{QStringLiteral("name"), QVariant::fromValue(name)}});
}

void registerShortcut(const Shortcut &shortcut)
{
    CarbonKeyboardShortcuts::registerShortcut(shortcut, &handleOnKeyDown, &handleOnKeyUp);
    state().registeredShortcuts.insert(shortcut);
}

void unregisterShortcut(const Shortcut &shortcut)
{
    CarbonKeyboardShortcuts::unregisterShortcut(shortcut);
    state().registeredShortcuts.remove(shortcut);
}

void registerIfNeeded(const Name &name)
{
    const std::optional<Shortcut> shortcut = getShortcut(name);
    if (shortcut && !state().registeredShortcuts.contains(*shortcut))
        registerShortcut(*shortcut);
}

void clearShortcut(const Name &name)
{
    const std::optional<Shortcut> old = getShortcut(name);
    if (!old)
        return;
    if (name.defaultShortcut)
        defaults().setBool(name.userDefaultsKey(), false);
    else
        defaults().remove(name.userDefaultsKey());
    unregisterShortcut(*old);
    postChange(name);
}

template<typename Value>
void collectShortcuts(const NameTable<Value> &table, QSet<Shortcut> &shortcuts)
{
    for (const auto &[name, value] : table.entries()) {
        if (const std::optional<Shortcut> shortcut = getShortcut(name))
            shortcuts.insert(*shortcut);
    }
}

QSet<Shortcut> shortcutsOfAttachedNames()
{
    const State &s = state();
    QSet<Shortcut> shortcuts;
    collectShortcuts(s.keyDownHandlers, shortcuts);
    collectShortcuts(s.keyUpHandlers, shortcuts);
    collectShortcuts(s.streamKeyDownHandlers, shortcuts);
    collectShortcuts(s.streamKeyUpHandlers, shortcuts);
    return shortcuts;
}

// Runs every action and stream callback of the names whose stored shortcut is
// `shortcut`. The tables are copied first: an action may add or remove handlers.
void dispatch(const Shortcut &shortcut, const NameTable<std::vector<Action>> &handlers,
              const NameTable<StreamCallbacks> &streamHandlers)
{
    if (state().isPaused)
        return;
    const auto actionEntries = handlers.entries();
    for (const auto &[name, actions] : actionEntries) {
        if (getShortcut(name) != shortcut)
            continue;
        for (const Action &action : actions)
            action();
    }
    const auto streamEntries = streamHandlers.entries();
    for (const auto &[name, callbacks] : streamEntries) {
        if (getShortcut(name) != shortcut)
            continue;
        for (const auto &[id, callback] : callbacks)
            callback();
    }
}

void removeStreamCallbacks(const Name &name, quint64 id)
{
    for (NameTable<StreamCallbacks> *table : {&state().streamKeyDownHandlers, &state().streamKeyUpHandlers}) {
        if (StreamCallbacks *callbacks = table->find(name)) {
            callbacks->erase(id);
            if (callbacks->empty())
                table->erase(name); // a name without streams no longer holds its hot key
        }
    }
    const std::optional<Shortcut> shortcut = getShortcut(name);
    if (shortcut && !shortcutsOfAttachedNames().contains(*shortcut))
        unregisterShortcut(*shortcut);
}

} // namespace

Name::Name(QString rawValue, std::optional<Shortcut> defaultShortcut)
    : rawValue(std::move(rawValue)), defaultShortcut(defaultShortcut)
{
    if (this->defaultShortcut && !defaults().contains(userDefaultsKey()))
        KeyboardShortcuts::setShortcut(this->defaultShortcut, *this);
    CarbonKeyboardShortcuts::setUpMenuTrackingObserversIfNeeded();
}

QString Name::userDefaultsKey() const
{
    return userDefaultsKeyPrefix + rawValue;
}

std::optional<Shortcut> Name::shortcut() const
{
    return getShortcut(*this);
}

void Name::setShortcut(const std::optional<Shortcut> &shortcut) const
{
    KeyboardShortcuts::setShortcut(shortcut, *this);
}

std::optional<Shortcut> Shortcut::fromName(const Name &name)
{
    return getShortcut(name);
}

std::optional<Shortcut> getShortcut(const Name &name)
{
    const std::optional<QString> text = defaults().string(name.userDefaultsKey());
    if (!text)
        return std::nullopt;
    return Shortcut::fromJson(text->toUtf8());
}

void setShortcut(const std::optional<Shortcut> &shortcut, const Name &name)
{
    if (!shortcut) {
        clearShortcut(name);
        return;
    }
    const QString json = QString::fromUtf8(shortcut->toJson());
    if (const std::optional<Shortcut> old = getShortcut(name))
        unregisterShortcut(*old);
    if (!state().registeredShortcuts.contains(*shortcut))
        registerShortcut(*shortcut);
    defaults().setString(name.userDefaultsKey(), json);
    postChange(name);
}

void reset(const QList<Name> &names)
{
    for (const Name &name : names)
        setShortcut(name.defaultShortcut, name);
}

void resetAll()
{
    QList<Name> names;
    for (const QString &key : defaults().keys()) {
        if (key.startsWith(userDefaultsKeyPrefix))
            names.append(Name(key.mid(userDefaultsKeyPrefix.size())));
    }
    reset(names);
}

void enable(const QList<Name> &names)
{
    for (const Name &name : names)
        registerIfNeeded(name);
}

void disable(const QList<Name> &names)
{
    for (const Name &name : names) {
        if (const std::optional<Shortcut> shortcut = getShortcut(name))
            unregisterShortcut(*shortcut);
    }
}

void onKeyDown(const Name &name, Action action)
{
    state().keyDownHandlers[name].push_back(std::move(action));
    registerIfNeeded(name);
}

void onKeyUp(const Name &name, Action action)
{
    state().keyUpHandlers[name].push_back(std::move(action));
    registerIfNeeded(name);
}

void removeAllHandlers()
{
    for (const Shortcut &shortcut : shortcutsOfAttachedNames())
        unregisterShortcut(shortcut);
    state().keyDownHandlers.clear();
    state().keyUpHandlers.clear();
}

EventStream events(const Name &name)
{
    auto streamState = std::make_shared<EventStream::State>();
    const quint64 id = ++state().lastStreamId;
    const std::weak_ptr<EventStream::State> weak = streamState;
    auto feed = [weak](EventType type) {
        if (const auto alive = weak.lock())
            EventStream::yield(alive, type);
    };
    state().streamKeyDownHandlers[name][id] = [feed] { feed(EventType::keyDown); };
    state().streamKeyUpHandlers[name][id] = [feed] { feed(EventType::keyUp); };
    streamState->onTermination = [name, id] { removeStreamCallbacks(name, id); };
    registerIfNeeded(name);
    return EventStream(std::move(streamState));
}

EventStream events(EventType type, const Name &name)
{
    EventStream stream = events(name);
    stream.setFilter(type);
    return stream;
}

bool isPaused()
{
    return state().isPaused;
}

void setPaused(bool paused)
{
    state().isPaused = paused;
    // Paused while a recorder records: the keys of our own shortcuts must
    // reach it (Escape ends recording), so their grabs are let go meanwhile.
    CarbonKeyboardShortcuts::setSuspended(paused);
}

bool isEnabled()
{
    return CarbonKeyboardShortcuts::isEnabled();
}

void setEnabled(bool enabled)
{
    CarbonKeyboardShortcuts::setEnabled(enabled);
}

QList<Shortcut> systemShortcuts()
{
    return CarbonKeyboardShortcuts::systemShortcuts();
}

bool isSystemShortcut(const Shortcut &shortcut)
{
    return CarbonKeyboardShortcuts::isSystemShortcut(shortcut);
}

void handleOnKeyDown(const Shortcut &shortcut)
{
    dispatch(shortcut, state().keyDownHandlers, state().streamKeyDownHandlers);
}

void handleOnKeyUp(const Shortcut &shortcut)
{
    dispatch(shortcut, state().keyUpHandlers, state().streamKeyUpHandlers);
}

} // namespace KeyboardShortcuts
