#include "RecorderCocoa.h"

#include "LocalEventMonitor.h"
#include "MenuKeyEquivalent.h"
#include "RecorderAlert.h"
#include "RecorderStatus.h"

#include "../KeyDisplay.h"
#include "../KeyEvent.h"
#include "../Localization.h"
#include "../NamedShortcuts.h"

#include <NotificationCenter.h>

#include <QAction>
#include <QKeyEvent>
#include <QQuickWindow>
#include <QTimer>

namespace KeyboardShortcuts {
namespace {

// Modifier flags that count, ignoring Caps Lock and the keypad flag.
constexpr unsigned significantModifiersMask = 0xFFDE0000;
// The same without Shift and Function: what a shortcut must carry unless its
// key is a function key.
constexpr unsigned requiredModifiersMask = 0xFF5C0000;
// A click this close outside the field still belongs to it.
constexpr qreal clickSlop = 3;

bool isFunctionKey(const QKeyEvent &event)
{
    return event.key() >= Qt::Key_F1 && event.key() <= Qt::Key_F35;
}

bool isModifierKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

RecorderCocoa::RecorderCocoa(QQuickItem *parent)
    : QQuickItem(parent)
{
    construct();
}

RecorderCocoa::RecorderCocoa(const Name &name, OnChange onChange, QQuickItem *parent)
    : QQuickItem(parent)
    , onChange(std::move(onChange))
    , m_shortcutName(name)
{
    construct();
}

RecorderCocoa::~RecorderCocoa()
{
    NotificationCenter::defaultCenter().removeObserver(m_shortcutsNameChangeObserver);
    if (isRecording())
        endRecording();
}

void RecorderCocoa::construct()
{
    setFlag(ItemAcceptsInputMethod, false);
    setFlag(ItemIsFocusScope, false);
    setAcceptedMouseButtons(Qt::LeftButton);
    setActiveFocusOnTab(m_canBecomeKey);
    setImplicitWidth(minimumWidth());
    setPlaceholderText(localized(QStringLiteral("record_shortcut")));
    showStoredShortcut();
    m_shortcutsNameChangeObserver = NotificationCenter::defaultCenter().addObserver(
        shortcutByNameDidChangeNotification, this, [this](const Notification &notification) {
            if (notification.userInfo.value(QStringLiteral("name")).value<Name>() == m_shortcutName)
                showStoredShortcut();
        });
}

void RecorderCocoa::setShortcutName(const Name &name)
{
    if (name == m_shortcutName)
        return;
    m_shortcutName = name;
    showStoredShortcut();
    emit shortcutNameChanged();
}

void RecorderCocoa::setShortcutNameRawValue(const QString &rawValue)
{
    // A name by its text only: the application declared the defaults.
    if (rawValue != m_shortcutName.rawValue)
        setShortcutName(Name(rawValue));
}

void RecorderCocoa::showStoredShortcut()
{
    const auto shortcut = m_shortcutName.rawValue.isEmpty() ? std::nullopt : getShortcut(m_shortcutName);
    setText(shortcut ? shortcut->description() : QString());
    setCancelButtonVisible(!m_text.isEmpty());
}

void RecorderCocoa::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged();
}

void RecorderCocoa::setPlaceholderText(const QString &text)
{
    if (text == m_placeholderText)
        return;
    m_placeholderText = text;
    emit placeholderTextChanged();
}

void RecorderCocoa::setCancelButtonVisible(bool visible)
{
    if (visible == m_cancelButtonVisible)
        return;
    m_cancelButtonVisible = visible;
    emit cancelButtonVisibleChanged();
}

void RecorderCocoa::setCancelButtonRect(const QRectF &rect)
{
    if (rect == m_cancelButtonRect)
        return;
    m_cancelButtonRect = rect;
    emit cancelButtonRectChanged();
}

void RecorderCocoa::pressCancelButton()
{
    setText(QString());
    textDidChange();
}

void RecorderCocoa::textDidChange()
{
    if (m_text.isEmpty()) {
        setShortcut(std::nullopt, m_shortcutName);
        if (onChange)
            onChange(std::nullopt);
        emit shortcutChanged();
    }
    setCancelButtonVisible(!m_text.isEmpty());
    if (m_text.isEmpty())
        becomeFirstResponder();
}

void RecorderCocoa::blur()
{
    m_focusRequested = false;
    if (QQuickWindow *window = this->window())
        window->contentItem()->forceActiveFocus(Qt::OtherFocusReason);
    if (hasActiveFocus())
        setFocus(false);
}

bool RecorderCocoa::becomeFirstResponder()
{
    if (!window() || !isVisible() || !isEnabled())
        return false;
    if (!hasActiveFocus()) {
        m_focusRequested = true;
        forceActiveFocus(Qt::OtherFocusReason);
    }
    return true;
}

void RecorderCocoa::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_cancelButtonVisible && m_cancelButtonRect.contains(event->position())) {
        pressCancelButton();
        return;
    }
    if (!hasActiveFocus())
        forceActiveFocus(Qt::MouseFocusReason);
}

void RecorderCocoa::focusInEvent(QFocusEvent *event)
{
    QQuickItem::focusInEvent(event);
    // Only a click, Tab (once the key-view guard lapsed) or our own request
    // starts recording; never a window opening or coming to the front.
    const bool fromUser = event->reason() == Qt::MouseFocusReason
        || ((event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) && m_canBecomeKey);
    if (!fromUser && !m_focusRequested) {
        QMetaObject::invokeMethod(this, [this] {
            if (hasActiveFocus() && !isRecording())
                blur();
        }, Qt::QueuedConnection);
        return;
    }
    m_focusRequested = false;
    if (!isRecording())
        startRecording();
}

void RecorderCocoa::focusOutEvent(QFocusEvent *event)
{
    QQuickItem::focusOutEvent(event);
    if (isRecording())
        endRecording();
}

void RecorderCocoa::startRecording()
{
    setPlaceholderText(localized(QStringLiteral("press_shortcut")));
    setCancelButtonVisible(!m_text.isEmpty());
    setPaused(true);
    postRecorderActiveStatus(true);
    QPointer<RecorderCocoa> self(this);
    m_eventMonitor = std::make_unique<LocalEventMonitor>(
        QSet<QEvent::Type>{QEvent::MouseButtonRelease, QEvent::KeyPress, QEvent::ShortcutOverride},
        [self](QObject *window, QEvent *event) { return self ? self->handleMonitoredEvent(window, event) : false; });
    m_eventMonitor->start();
    emit recordingChanged();
}

void RecorderCocoa::endRecording()
{
    if (m_eventMonitor) {
        m_eventMonitor->stop();
        // This may run inside the monitor's own callback.
        m_eventMonitor.release()->deleteLater();
    }
    setPlaceholderText(localized(QStringLiteral("record_shortcut")));
    setCancelButtonVisible(!m_text.isEmpty());
    setPaused(false);
    postRecorderActiveStatus(false);
    emit recordingChanged();
}

void RecorderCocoa::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange)
        movedToWindow(value.window);
}

void RecorderCocoa::movedToWindow(QQuickWindow *window)
{
    if (m_window)
        disconnect(m_windowActiveObserver);
    m_window = window;
    if (!window) {
        if (isRecording())
            endRecording();
        return;
    }
    m_windowActiveObserver = connect(window, &QWindow::activeChanged, this, [this] {
        if (!m_window)
            return;
        if (m_window->isActive()) {
            runKeyViewGuard();
        } else if (isRecording()) {
            blur();
        }
    });
    runKeyViewGuard();
}

void RecorderCocoa::runKeyViewGuard()
{
    m_canBecomeKey = false;
    setActiveFocusOnTab(false);
    QTimer::singleShot(0, this, [this] {
        m_canBecomeKey = true;
        setActiveFocusOnTab(true);
    });
}

bool RecorderCocoa::handleMonitoredEvent(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            return true;
        bool nearField = false;
        if (watched == window()) {
            const QPointF point = mapFromScene(mouse->scenePosition());
            nearField = QRectF(-clickSlop, -clickSlop, width() + 2 * clickSlop, height() + 2 * clickSlop).contains(point);
        }
        if (!nearField) {
            blur();
            return true;
        }
        return false;
    }
    case QEvent::ShortcutOverride:
        // Claim the key so no window shortcut fires before the key press.
        event->accept();
        return false;
    case QEvent::KeyPress:
        return handleKeyDown(*static_cast<QKeyEvent *>(event));
    default:
        return true;
    }
}

bool RecorderCocoa::handleKeyDown(QKeyEvent &qtEvent)
{
    if (isModifierKey(qtEvent))
        return false;
    const KeyEvent event = KeyEvent::fromQKeyEvent(qtEvent);
    const unsigned flags = static_cast<unsigned>(event.modifierFlags.toInt());
    const bool noModifiers = (flags & significantModifiersMask) == 0;
    const bool knownKey = event.type == KeyEvent::Type::keyDown;

    if (noModifiers && knownKey && event.keyCode == Key::tab.rawValue) {
        blur();
        return true;
    }
    if (noModifiers && knownKey && event.keyCode == Key::escape.rawValue) {
        blur();
        return false;
    }
    if (noModifiers && knownKey
        && (event.keyCode == Key::delete_.rawValue || event.keyCode == Key::deleteForward.rawValue)) {
        pressCancelButton();
        return false;
    }
    if ((flags & requiredModifiersMask) == 0 && !isFunctionKey(qtEvent)) {
        recorderAlertPresenter().beep();
        return false;
    }

    const auto shortcut = Shortcut::fromEvent(event);
    if (!shortcut) {
        recorderAlertPresenter().beep();
        return false;
    }

    // The menu's own copy of this very shortcut is no conflict.
    if (const QAction *item = applicationMenuItemUsing(*shortcut, m_shortcutName.rawValue)) {
        blur();
        runAlert(localized(QStringLiteral("keyboard_shortcut_used_by_menu_item")).arg(item->text()));
        becomeFirstResponder();
        return false;
    }

    const bool isBareF12 = shortcut->carbonKeyCode == Key::f12.rawValue && shortcut->carbonModifiers == 0;
    if (!isBareF12 && isSystemShortcut(*shortcut)) {
        blur();
        const int response = runAlert(localized(QStringLiteral("keyboard_shortcut_used_by_system")),
                                      localized(QStringLiteral("keyboard_shortcuts_can_be_changed")),
                                      {localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut"))});
        becomeFirstResponder();
        if (response != alertSecondButtonReturn)
            return false;
    }

    setText(shortcut->description());
    setCancelButtonVisible(true);
    setShortcut(*shortcut, m_shortcutName);
    if (onChange)
        onChange(*shortcut);
    emit shortcutChanged();
    blur();
    return false;
}

int RecorderCocoa::runAlert(const QString &message, const QString &informative, const QStringList &buttons)
{
    return recorderAlertPresenter().runModal(window(), RecorderAlert{message, informative, buttons});
}

} // namespace KeyboardShortcuts
