#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// A block of captured audio as 32-bit float samples.
//
// Layout of floatData:
//  - interleaved: frame after frame, channelCount samples per frame (stride = channelCount);
//  - not interleaved: one plane per channel, each frameLength samples long (stride = 1).
// floatData is absent for audio that has no float representation.
struct PcmBuffer
{
    double sampleRate = 0;
    int channelCount = 0;
    bool interleaved = false;
    std::size_t frameLength = 0;
    std::optional<std::vector<float>> floatData;

    // Distance in samples between successive frames of one channel.
    std::size_t stride() const { return interleaved ? std::size_t(channelCount) : 1; }

    // First sample of a channel, or nullptr when there is no float data or no such channel.
    const float *channelData(int channel) const
    {
        if (!floatData || channel < 0 || channel >= channelCount
            || floatData->size() < frameLength * std::size_t(channelCount))
            return nullptr;
        const std::size_t offset = interleaved ? std::size_t(channel) : std::size_t(channel) * frameLength;
        return floatData->data() + offset;
    }
};
