#pragma once

#include "platform/AudioInputList.h"

#include <functional>
#include <memory>

// Subscribes to the sound server's source events on a connection and thread of its own.
// Null when the server cannot be reached.
std::unique_ptr<AudioInputList::Watch> watchPulseInputs(std::function<void()> changed);
