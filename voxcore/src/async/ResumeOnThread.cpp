#include <voxcore/AsyncStream.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace voxcore::detail {

QThread *currentThread()
{
    return QThread::currentThread();
}

void runOnThread(QThread *thread, std::function<void()> call)
{
    // The event dispatcher lives in its thread, so a queued call to it runs there. Running
    // later (never inside the producer's call) keeps a resumed consumer off foreign threads
    // and out of its own callers' stack frames.
    QObject *context = thread ? QAbstractEventDispatcher::instance(thread) : nullptr;
    QCoreApplication *application = QCoreApplication::instance();
    if (!context && application && thread == application->thread())
        context = application;
    if (!context) {
        call();
        return;
    }
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

} // namespace voxcore::detail
