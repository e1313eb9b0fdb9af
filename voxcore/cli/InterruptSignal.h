#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the main thread. The signal handler only
// writes one byte to a pipe (the one thing that is safe there); the event loop reads it.
class InterruptSignal : public QObject
{
    Q_OBJECT
public:
    explicit InterruptSignal(QObject *parent = nullptr);
    ~InterruptSignal() override;

signals:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
