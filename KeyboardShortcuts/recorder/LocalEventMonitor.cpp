#include "LocalEventMonitor.h"

#include <QCoreApplication>
#include <QWindow>

namespace KeyboardShortcuts {

LocalEventMonitor::LocalEventMonitor(QSet<QEvent::Type> events, Callback callback)
    : m_events(std::move(events))
    , m_callback(std::move(callback))
{
}

LocalEventMonitor::~LocalEventMonitor()
{
    stop();
}

void LocalEventMonitor::start()
{
    if (m_started || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_started = true;
}

void LocalEventMonitor::stop()
{
    if (!m_started)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_started = false;
}

bool LocalEventMonitor::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_events.contains(event->type()) || !watched->isWindowType())
        return false;
    // The callback may end the monitor's life; keep its own copy alive.
    const Callback callback = m_callback;
    return !callback(watched, event);
}

} // namespace KeyboardShortcuts
