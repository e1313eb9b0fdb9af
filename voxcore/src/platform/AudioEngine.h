#pragma once

// Seam: the audio engine capturing the default input device.
//
// What the logic relies on:
//  - inputFormat(): sample rate and channel count of the input (what the tap will deliver).
//  - installTap(bufferSize, block): from start() on, block gets every captured buffer
//    (bufferSize frames, float data) on the capture thread. One tap at a time.
//  - start(): begins capture; returns an error description when no sound server or input
//    device can be reached (then nothing is captured).
//  - setInterruptionHandler(handler): called at most once, on any thread, when capture fails
//    after a successful start (the sound server went away); capture has then ended.
//  - stop() and removeTap() never hang (not even when the server has gone), are idempotent,
//    and once either returns the tap block is not running and will not be called again.
//    removeTap() releases the block. Destroying an engine stops it.

#include <voxcore/PcmBuffer.h>

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

struct AudioFormat
{
    double sampleRate = 0;
    int channelCount = 0;
};

class AudioEngine
{
public:
    using TapBlock = std::function<void(const PcmBuffer &buffer)>;

    virtual ~AudioEngine() = default;
    virtual AudioFormat inputFormat() = 0;
    virtual void installTap(std::size_t bufferSize, TapBlock block) = 0;
    virtual void removeTap() = 0;
    virtual void setInterruptionHandler(std::function<void(const QString &description)> handler) = 0;
    virtual std::optional<QString> start() = 0;
    virtual void stop() = 0;
};

// A new engine on the system's default input (defined by the platform adapter).
std::shared_ptr<AudioEngine> makeDefaultAudioEngine();
// A new engine on the sound server's input of that name (empty: the default input). When
// the input is not there at start, it captures the default input and says so on standard
// error.
std::shared_ptr<AudioEngine> makeAudioEngineForInput(const QString &inputName);
