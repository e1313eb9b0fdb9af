#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

// Runs `work` later on the main thread's event loop; callable from any thread. Dropped once
// the application object is gone (a capture thread may still deliver during shut-down).
template<typename Work>
void postToMainThread(Work &&work)
{
    if (QCoreApplication *application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::forward<Work>(work), Qt::QueuedConnection);
}
