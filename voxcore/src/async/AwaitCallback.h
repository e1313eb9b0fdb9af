#pragma once

#include <voxcore/AsyncStream.h>

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>

// Awaits a platform call that reports its answer through a completion callback, called once
// on any thread. The coroutine resumes on its own thread. Should the service drop the
// callback without calling it, the answer is `fallback` instead of a wait forever.
template<typename T>
QCoro::Task<T> awaitCallback(std::function<void(std::function<void(T)>)> start, T fallback)
{
    auto [stream, continuation] = AsyncStream<T>::makeStream();
    struct Completion
    {
        explicit Completion(typename AsyncStream<T>::Continuation continuation) : continuation(std::move(continuation)) {}
        Completion(const Completion &) = delete;
        Completion &operator=(const Completion &) = delete;
        ~Completion() { continuation.finish(); }
        const typename AsyncStream<T>::Continuation continuation;
    };
    auto completion = std::make_shared<Completion>(continuation);
    start([completion](T answer) {
        completion->continuation.yield(std::move(answer));
        completion->continuation.finish();
    });
    completion.reset();
    auto answer = co_await stream.next();
    co_return answer ? std::move(*answer) : std::move(fallback);
}
