#pragma once

// A coroutine reading a transcript stream the way the managers do, recording what it saw.

#include <voxcore/SpeechRecognitionError.h>
#include <voxcore/SpeechRecognitionProvider.h>

#include <QCoro/QCoroTask>
#include <QStringList>
#include <QThread>

#include <optional>

struct Consumed
{
    QStringList elements;
    bool ended = false;
    std::optional<QString> error;
    QList<QThread *> threads; // where the consumer ran after each wait
};

inline QCoro::Task<> consume(TranscriptStream stream, Consumed *into)
{
    try {
        while (auto element = co_await stream.next()) {
            into->threads.append(QThread::currentThread());
            into->elements.append(*element);
        }
    } catch (const std::exception &error) {
        into->error = localizedDescription(error);
    }
    into->ended = true;
}

// Reads the stream to its end.
inline Consumed drain(TranscriptStream stream)
{
    Consumed consumed;
    QCoro::waitFor(consume(std::move(stream), &consumed));
    return consumed;
}
