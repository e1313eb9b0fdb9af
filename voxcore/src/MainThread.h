#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

// Runs `work` later on the main thread's event loop; callable from any thread.
template<typename Work>
void postToMainThread(Work &&work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Work>(work), Qt::QueuedConnection);
}
