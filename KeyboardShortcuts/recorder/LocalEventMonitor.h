#pragma once

#include <QEvent>
#include <QObject>
#include <QSet>

#include <functional>

namespace KeyboardShortcuts {

// An in-application event monitor: while it exists, every event of one of the
// watched types that the application delivers to one of its windows is handed
// to the callback first. The callback returns true to let the event through
// and false to consume it. Events addressed to items inside a window (the
// second leg of Qt Quick's delivery) are not shown again.
class LocalEventMonitor : public QObject
{
public:
    using Callback = std::function<bool(QObject *window, QEvent *event)>;

    LocalEventMonitor(QSet<QEvent::Type> events, Callback callback);
    ~LocalEventMonitor() override;

    void start();
    void stop();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSet<QEvent::Type> m_events;
    Callback m_callback;
    bool m_started = false;
};

} // namespace KeyboardShortcuts
