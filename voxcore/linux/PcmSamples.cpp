#include "PcmSamples.h"

void appendMono(const PcmBuffer &buffer, std::vector<float> &out)
{
    const int channels = buffer.channelCount;
    if (channels < 1 || !buffer.channelData(channels - 1))
        return;
    const std::size_t stride = buffer.stride();
    const std::size_t start = out.size();
    out.resize(start + buffer.frameLength, 0.0f);
    for (int c = 0; c < channels; ++c) {
        const float *samples = buffer.channelData(c);
        for (std::size_t f = 0; f < buffer.frameLength; ++f)
            out[start + f] += samples[f * stride];
    }
    if (channels > 1) {
        const float scale = 1.0f / channels;
        for (std::size_t f = 0; f < buffer.frameLength; ++f)
            out[start + f] *= scale;
    }
}

void appendInterleaved(const PcmBuffer &buffer, unsigned channels, std::vector<float> &out)
{
    if (channels == 0)
        return;
    if (static_cast<int>(channels) == buffer.channelCount && buffer.channelData(buffer.channelCount - 1)) {
        const std::size_t stride = buffer.stride();
        const std::size_t start = out.size();
        out.resize(start + buffer.frameLength * channels);
        for (unsigned c = 0; c < channels; ++c) {
            const float *samples = buffer.channelData(static_cast<int>(c));
            for (std::size_t f = 0; f < buffer.frameLength; ++f)
                out[start + f * channels + c] = samples[f * stride];
        }
        return;
    }
    std::vector<float> mono;
    appendMono(buffer, mono);
    out.reserve(out.size() + mono.size() * channels);
    for (float sample : mono)
        out.insert(out.end(), channels, sample);
}
