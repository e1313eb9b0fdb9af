#pragma once

#include "SphinxModel.h"

#include <voxcore/PcmBuffer.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

// Live recognition of one captured audio stream on a thread of its own (the
// recognizer's callback thread). Audio can be appended from the moment the
// object exists: it waits in the queue while the model loads, so no speech is
// lost. Every time the transcript changes the result handler gets the whole
// text so far; after endAudio() the last call has isFinal = true. A failure
// calls the error handler instead, once, and ends recognition.
class SphinxLiveRecognition
{
public:
    using ResultHandler = std::function<void(const std::string &transcript, bool isFinal)>;
    using ErrorHandler = std::function<void(const std::string &message)>;

    // With reportPartialResults false only the final result is delivered.
    SphinxLiveRecognition(std::shared_ptr<SphinxModel> model, SphinxModel::Vocabulary vocabulary,
                          bool reportPartialResults, ResultHandler onResult, ErrorHandler onError);
    // Cancels and returns at once; the thread finishes on its own.
    ~SphinxLiveRecognition();
    SphinxLiveRecognition(const SphinxLiveRecognition &) = delete;
    SphinxLiveRecognition &operator=(const SphinxLiveRecognition &) = delete;

    // A captured buffer in its own format. Never blocks on decoding.
    void append(const PcmBuffer &buffer);
    // How much audio has been decoded so far (any thread).
    std::chrono::milliseconds decodedAudio() const;
    // No more audio: decode what is queued, then deliver the final result.
    void endAudio();
    // Stop without further results. Returns at once.
    void cancel();

private:
    struct State;
    std::shared_ptr<State> m_state; // shared with the thread, which may outlive this object
    std::thread m_thread;
};
