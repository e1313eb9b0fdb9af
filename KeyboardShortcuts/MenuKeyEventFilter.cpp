#include "MenuKeyEventFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace KeyboardShortcuts {

MenuKeyEventFilter::MenuKeyEventFilter(Handler handler) : m_handler(std::move(handler)) {}

MenuKeyEventFilter::~MenuKeyEventFilter()
{
    stop();
}

void MenuKeyEventFilter::start()
{
    if (m_running || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_running = true;
}

void MenuKeyEventFilter::stop()
{
    if (!m_running)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_running = false;
}

bool MenuKeyEventFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    // Held keys repeat as release/press pairs; a shortcut fires once per physical press.
    if (static_cast<QKeyEvent *>(event)->isAutoRepeat())
        return false;
    return m_handler(KeyEvent::fromQEvent(*event));
}

} // namespace KeyboardShortcuts
