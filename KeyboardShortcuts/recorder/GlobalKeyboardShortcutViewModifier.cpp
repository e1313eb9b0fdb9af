#include "GlobalKeyboardShortcutViewModifier.h"

#include "QtKeys.h"
#include "RecorderStatus.h"

#include "../KeyDisplay.h"
#include "../NamedShortcuts.h"

#include <NotificationCenter.h>

namespace KeyboardShortcuts {
namespace {

std::optional<Qt::Key> namedQtKey(Key key)
{
    static const std::pair<Key, Qt::Key> named[] = {
        {Key::return_, Qt::Key_Return}, {Key::delete_, Qt::Key_Backspace}, {Key::deleteForward, Qt::Key_Delete},
        {Key::end, Qt::Key_End},        {Key::escape, Qt::Key_Escape},     {Key::home, Qt::Key_Home},
        {Key::space, Qt::Key_Space},    {Key::tab, Qt::Key_Tab},           {Key::pageUp, Qt::Key_PageUp},
        {Key::pageDown, Qt::Key_PageDown}, {Key::upArrow, Qt::Key_Up},     {Key::downArrow, Qt::Key_Down},
        {Key::leftArrow, Qt::Key_Left}, {Key::rightArrow, Qt::Key_Right},  {Key::help, Qt::Key_Help},
    };
    for (const auto &[from, to] : named) {
        if (from == key)
            return to;
    }
    const Key functionKeys[] = {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,  Key::f6,  Key::f7,
                                Key::f8,  Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13, Key::f14,
                                Key::f15, Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
    for (int index = 0; index < 20; ++index) {
        if (functionKeys[index] == key)
            return Qt::Key(Qt::Key_F1 + index);
    }
    return std::nullopt;
}

} // namespace

GlobalKeyboardShortcutViewModifier::GlobalKeyboardShortcutViewModifier(QObject *parent)
    : QObject(parent)
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    m_shortcutObserver = center.addObserver(shortcutByNameDidChangeNotification, this,
                                            [this](const Notification &notification) {
                                                if (notification.userInfo.value(QStringLiteral("name")).value<Name>().rawValue == m_name) {
                                                    m_triggerRefresh = !m_triggerRefresh;
                                                    emit sequenceChanged();
                                                }
                                            });
    m_recorderObserver = center.addObserver(recorderActiveStatusDidChangeNotification, this,
                                            [this](const Notification &notification) {
                                                const bool active = notification.userInfo.value(QStringLiteral("isActive"), false).toBool();
                                                if (active == m_isRecorderActive)
                                                    return;
                                                m_isRecorderActive = active;
                                                emit sequenceChanged();
                                            });
}

GlobalKeyboardShortcutViewModifier::~GlobalKeyboardShortcutViewModifier()
{
    NotificationCenter::defaultCenter().removeObserver(m_shortcutObserver);
    NotificationCenter::defaultCenter().removeObserver(m_recorderObserver);
}

void GlobalKeyboardShortcutViewModifier::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    emit nameChanged();
    emit sequenceChanged();
}

QKeySequence GlobalKeyboardShortcutViewModifier::keySequence() const
{
    if (m_isRecorderActive || m_name.isEmpty())
        return {};
    const auto shortcut = getShortcut(Name(m_name));
    return shortcut ? keySequence(*shortcut) : QKeySequence();
}

QKeySequence GlobalKeyboardShortcutViewModifier::keySequence(const Shortcut &shortcut)
{
    const Qt::KeyboardModifiers modifiers = qtModifiers(shortcut.modifiers());
    if (const auto named = namedQtKey(shortcut.key()))
        return QKeySequence(QKeyCombination(modifiers, *named));
    if (specialKey(shortcut.key()))
        return {}; // keypad keys have no equivalent
    const auto character = keyToCharacter(shortcut.carbonKeyCode);
    return character ? keySequenceForCharacter(*character, modifiers) : QKeySequence();
}

} // namespace KeyboardShortcuts
