#pragma once

// Awaiting Voxcore's asynchronous results from a test: a task's value or error, and the
// queued work that follows.

#include <voxcore/SpeechRecognitionError.h>

#include <QCoro/QCoroTask>
#include <QCoreApplication>

#include <optional>

template<typename T>
struct Outcome
{
    std::optional<T> value;
    std::optional<QString> error;
};

// QCoro::waitFor itself needs default-constructible results and does not pass errors on.
template<typename T>
Outcome<T> awaitOutcome(QCoro::Task<T> task)
{
    auto run = [](QCoro::Task<T> task) -> QCoro::Task<Outcome<T>> {
        Outcome<T> outcome;
        try {
            outcome.value.emplace(co_await task);
        } catch (const std::exception &error) {
            outcome.error = localizedDescription(error);
        }
        co_return outcome;
    };
    return QCoro::waitFor(run(std::move(task)));
}

// Lets queued work (resumed consumers, posted levels and clean-ups, deferred permission checks) run.
inline void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}
