#pragma once

// Seam: the inputs the sound server offers.
//
// What the logic relies on:
//  - inputs(): every input by name and description, in the server's order, asked afresh on
//    each call (devices come and go); nothing when the server cannot be reached in a few
//    seconds. Any thread; never hangs.
//  - makeAudioEngineForInput(name) (platform/AudioEngine.h) captures that input; an empty
//    name is the default input.

#include <voxcore/AudioInputs.h>

#include <memory>

class AudioInputList
{
public:
    virtual ~AudioInputList() = default;
    virtual std::optional<QList<AudioInput>> inputs() = 0;
};

// The system's sound server (defined by the platform adapter).
std::shared_ptr<AudioInputList> defaultAudioInputList();
