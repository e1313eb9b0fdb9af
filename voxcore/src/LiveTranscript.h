#pragma once

#include <QString>

#include <functional>
#include <mutex>

// What one microphone transcription has reported, and the finish waiting for its end. The
// recognizer's thread reports and ends it; the main thread finishes it.
class LiveTranscript
{
public:
    // The whole transcript as last reported.
    void report(const QString &text);
    QString latestText();
    // Recognition is over (final result or error): a waiting finish gets `text`.
    void end(const QString &text);

    // Waits for the end; true when it is still to come, else `done` has had the transcript.
    bool awaitEnd(std::function<void(QString)> done);
    // A waiting finish gets the transcript so far; false when the end came first.
    bool giveUp();
    bool isFinishing();
    // The end came, or the finish gave up waiting for it.
    bool isOver();

private:
    std::mutex m_lock;
    QString m_latest;
    bool m_finishing = false;
    bool m_ended = false;
    std::function<void(QString)> m_onEnd;
};
