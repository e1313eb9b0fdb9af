#pragma once

// moc cannot parse the standard concept headers; it needs nothing from here.
#ifndef Q_MOC_RUN

#include <coroutine>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

namespace voxcore::detail {
// Runs a call later, on the event loop of the given thread (at once when it has none).
void runOnThread(QThread *thread, std::function<void()> call);
QThread *currentThread();
} // namespace voxcore::detail

// An asynchronous, single-consumer sequence of elements that ends either normally or
// with one error.
//
// The producer side (Continuation) may be used from any thread; it buffers without limit,
// so a producer never waits for the consumer. The consumer awaits next() inside a
// coroutine and is always resumed on its own thread's event loop:
//
//     while (auto element = co_await stream.next()) use(*element);   // throws the end error
//
// The termination handler runs exactly once: when the producer finishes (normally or with
// an error), or when the consumer stops - by cancel() or by dropping the last copy of the
// stream. A cancelled consumer sees a normal end and no more elements; cancelled from its
// own thread, a waiting consumer sees it before cancel() returns (so nothing is left for an
// event loop that may never run again). A handler installed after the end runs at once.
template<typename Element>
class AsyncStream
{
    struct State
    {
        std::mutex lock;
        std::deque<Element> buffer;
        bool finished = false;
        bool cancelled = false;
        bool terminated = false;
        std::exception_ptr error;
        std::function<void()> onTermination;
        std::coroutine_handle<> waiting;
        QThread *waitingThread = nullptr;

        // A consumer's resumption, queued on its thread or run early by cancel(); whichever
        // comes first resumes it, the other finds it done. Touched on that thread only.
        struct Wakeup
        {
            std::coroutine_handle<> consumer;
            QThread *thread = nullptr;
            std::shared_ptr<bool> done = std::make_shared<bool>(false);

            void run() const
            {
                if (!*done) {
                    *done = true;
                    consumer.resume();
                }
            }
        };
        std::optional<Wakeup> pendingWakeup; // queued and not yet run

        bool hasSomethingToDeliver() const { return cancelled || finished || !buffer.empty(); }

        // Takes the suspended consumer, if any, as a wakeup to queue; call with the lock held.
        std::optional<Wakeup> takeWaiting()
        {
            if (!waiting)
                return std::nullopt;
            Wakeup wakeup{waiting, waitingThread};
            waiting = nullptr;
            waitingThread = nullptr;
            pendingWakeup = wakeup;
            return wakeup;
        }

        static void wake(const std::optional<Wakeup> &wakeup)
        {
            if (wakeup)
                voxcore::detail::runOnThread(wakeup->thread, [wakeup = *wakeup] { wakeup.run(); });
        }

        void terminate()
        {
            std::function<void()> handler;
            {
                std::lock_guard guard(lock);
                if (terminated)
                    return;
                terminated = true;
                handler = std::move(onTermination);
                onTermination = nullptr;
            }
            if (handler)
                handler();
        }

        void end(std::exception_ptr endError)
        {
            std::optional<Wakeup> consumer;
            {
                std::lock_guard guard(lock);
                if (finished || cancelled)
                    return;
                finished = true;
                error = endError;
                consumer = takeWaiting();
            }
            wake(consumer);
            terminate();
        }

        void cancel()
        {
            std::optional<Wakeup> consumer, justSuspended;
            {
                std::lock_guard guard(lock);
                if (cancelled)
                    return;
                cancelled = true;
                buffer.clear();
                justSuspended = takeWaiting();
                consumer = pendingWakeup;
            }
            if (consumer && consumer->thread == voxcore::detail::currentThread())
                consumer->run();
            else
                wake(justSuspended);
            terminate();
        }
    };

    // Shared by the copies of one stream; the consumer has gone when the last copy goes.
    struct ConsumerAnchor
    {
        explicit ConsumerAnchor(std::shared_ptr<State> state) : state(std::move(state)) {}
        ConsumerAnchor(const ConsumerAnchor &) = delete;
        ConsumerAnchor &operator=(const ConsumerAnchor &) = delete;
        ~ConsumerAnchor() { state->cancel(); }
        const std::shared_ptr<State> state;
    };

public:
    // Producer side of the stream. Copyable; every copy feeds the same stream.
    class Continuation
    {
    public:
        // Appends an element; ignored once the stream has ended.
        void yield(Element element) const
        {
            std::optional<typename State::Wakeup> consumer;
            {
                std::lock_guard guard(m_state->lock);
                if (m_state->finished || m_state->cancelled)
                    return;
                m_state->buffer.push_back(std::move(element));
                consumer = m_state->takeWaiting();
            }
            State::wake(consumer);
        }

        // Ends the stream normally; the consumer still receives the buffered elements.
        void finish() const { m_state->end(nullptr); }
        // Ends the stream with an error, thrown to the consumer after the buffered elements.
        void finish(std::exception_ptr error) const { m_state->end(error); }
        template<typename Error>
        void finish(const Error &error) const { m_state->end(std::make_exception_ptr(error)); }

        void setOnTermination(std::function<void()> handler) const
        {
            {
                std::lock_guard guard(m_state->lock);
                if (!m_state->terminated) {
                    m_state->onTermination = std::move(handler);
                    return;
                }
            }
            if (handler)
                handler();
        }

    private:
        friend class AsyncStream;
        explicit Continuation(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    // Awaiter of the next element: std::nullopt at the end.
    class NextElement
    {
    public:
        bool await_ready() const
        {
            std::lock_guard guard(m_state->lock);
            return m_state->hasSomethingToDeliver();
        }
        bool await_suspend(std::coroutine_handle<> consumer)
        {
            std::lock_guard guard(m_state->lock);
            if (m_state->hasSomethingToDeliver())
                return false;
            m_state->waiting = consumer;
            m_state->waitingThread = voxcore::detail::currentThread();
            return true;
        }
        std::optional<Element> await_resume()
        {
            std::exception_ptr error;
            {
                std::lock_guard guard(m_state->lock);
                m_state->pendingWakeup.reset();
                if (m_state->cancelled)
                    return std::nullopt;
                if (!m_state->buffer.empty()) {
                    Element element = std::move(m_state->buffer.front());
                    m_state->buffer.pop_front();
                    return element;
                }
                std::swap(error, m_state->error);
            }
            if (error)
                std::rethrow_exception(error);
            return std::nullopt;
        }

    private:
        friend class AsyncStream;
        explicit NextElement(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    // Creates the stream and runs its set-up at once with the producer side.
    explicit AsyncStream(const std::function<void(Continuation)> &build)
        : m_consumer(std::make_shared<ConsumerAnchor>(std::make_shared<State>()))
    {
        build(Continuation(m_consumer->state));
    }

    // Creates a stream and hands its producer side to the caller.
    static std::pair<AsyncStream, Continuation> makeStream()
    {
        std::optional<Continuation> continuation;
        AsyncStream stream([&](Continuation c) { continuation = c; });
        return {std::move(stream), *continuation};
    }

    NextElement next() const { return NextElement(m_consumer->state); }

    // The consumer stops iterating: the stream ends and runs its termination handler.
    void cancel() const { m_consumer->state->cancel(); }

private:
    std::shared_ptr<ConsumerAnchor> m_consumer;
};

#endif // Q_MOC_RUN
