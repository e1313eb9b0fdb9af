#pragma once

// Runs a task to its end from a test and keeps its value or the description of its error.
// (QCoro::waitFor itself needs default-constructible results and does not pass errors on.)

#include <voxcore/SpeechRecognitionError.h>

#include <QCoro/QCoroTask>

#include <optional>

template<typename T>
struct Outcome
{
    std::optional<T> value;
    std::optional<QString> error;
};

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
