#pragma once

#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

#include <QTimer>

#include <chrono>

// Suspends the calling coroutine on the event loop for `duration`, with a
// precise timer (QCoro::sleepFor uses a coarse one, up to 5% late).
inline QCoro::Task<> preciseSleep(std::chrono::milliseconds duration)
{
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(duration);
    co_await timer;
}
