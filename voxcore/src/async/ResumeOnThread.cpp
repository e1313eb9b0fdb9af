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

void resumeOnThread(QThread *thread, std::coroutine_handle<> coroutine)
{
    // The event dispatcher lives in its thread, so a queued call to it runs there. Resuming
    // later (never inside the producer's call) keeps the consumer off foreign threads and
    // out of its own callers' stack frames.
    QObject *context = thread ? QAbstractEventDispatcher::instance(thread) : nullptr;
    QCoreApplication *application = QCoreApplication::instance();
    if (!context && application && thread == application->thread())
        context = application;
    if (!context) {
        coroutine.resume();
        return;
    }
    QMetaObject::invokeMethod(context, [coroutine] { coroutine.resume(); }, Qt::QueuedConnection);
}

} // namespace voxcore::detail
