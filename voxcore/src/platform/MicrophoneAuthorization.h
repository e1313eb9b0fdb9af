#pragma once

// Seam: permission to use the microphone.
//
// What the logic relies on:
//  - authorizationStatus(): the current decision, asking nobody. May take a moment (it may
//    probe the input device); callable on any thread, and the logic asks it off the main
//    thread. On this system: authorized when a capture stream can be opened on the default
//    source, or when the sound server has no input device at all (the audio engine's start
//    then says so); denied when the sound server cannot be reached or refuses the stream.
//  - requestAccess(completion): asks the user when no decision has been made; calls back
//    once, on any thread, with whether access is granted.

#include "platform/AuthorizationStatus.h"

#include <functional>
#include <memory>

class MicrophoneAuthorization
{
public:
    virtual ~MicrophoneAuthorization() = default;
    virtual AuthorizationStatus authorizationStatus() = 0;
    virtual void requestAccess(std::function<void(bool granted)> completion) = 0;
};

// The system's microphone authorization (defined by the platform adapter).
std::shared_ptr<MicrophoneAuthorization> defaultMicrophoneAuthorization();
