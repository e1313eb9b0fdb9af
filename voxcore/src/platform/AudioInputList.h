#pragma once

// Seam: the inputs the sound server offers.
//
// What the logic relies on:
//  - inputs(): every input by name and description, in the server's order, asked afresh on
//    each call (devices come and go); nothing when the server cannot be reached in a few
//    seconds. Any thread; never hangs.
//  - watch(changed): calls `changed` (on any thread) whenever an input appears, goes or
//    changes, and once when the server connection is lost, until the returned handle is
//    destroyed; null when the server cannot be reached (or the list cannot be watched).
//  - makeAudioEngineForInput(name) (platform/AudioEngine.h) captures that input; an empty
//    name is the default input.

#include <voxcore/AudioInputs.h>

#include <functional>
#include <memory>

class AudioInputList
{
public:
    // Watching lasts as long as the handle.
    class Watch
    {
    public:
        virtual ~Watch() = default;
    };

    virtual ~AudioInputList() = default;
    virtual std::optional<QList<AudioInput>> inputs() = 0;
    virtual std::unique_ptr<Watch> watch(std::function<void()> /*changed*/) { return nullptr; }
};

// The system's sound server (defined by the platform adapter).
std::shared_ptr<AudioInputList> defaultAudioInputList();
