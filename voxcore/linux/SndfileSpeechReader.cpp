#include "SndfileSpeechReader.h"

#include "SoxrResampler.h"
#include "SphinxUtterances.h"

#include <sndfile.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct SndfileCloser { void operator()(SNDFILE *file) const { sf_close(file); } };

// Chunk size the decoder is fed with; the bare command-line decoder reads the same.
constexpr std::size_t kChunk = 2048;
// Lowest sample rate accepted as speech (telephone audio is 8 kHz).
constexpr int kMinimumSampleRate = 1000;

} // namespace

void readSpeechSamples(const std::filesystem::path &file,
                       const std::function<void(const std::int16_t *, std::size_t)> &consume)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> handle(sf_open(file.c_str(), SFM_READ, &info));
    if (!handle)
        throw std::runtime_error("Cannot read audio file " + file.string() + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw std::runtime_error("Audio file " + file.string() + " has no audio");
    // Speech needs a real sample rate; resampling a header that claims a few hertz up to the
    // decoder's rate would turn a small file into hours of samples to decode.
    if (info.samplerate < kMinimumSampleRate)
        throw std::runtime_error("Audio file " + file.string() + " has a sample rate of "
                                 + std::to_string(info.samplerate) + " Hz, too low for speech");

    SoxrResampler resampler(info.samplerate, kSpeechSampleRate);
    std::vector<float> frames(kChunk * info.channels);
    std::vector<float> mono, resampled;
    std::vector<std::int16_t> pending;
    auto deliverFull = [&](bool all) {
        std::size_t offset = 0;
        while (pending.size() - offset >= kChunk || (all && offset < pending.size())) {
            const std::size_t count = std::min(kChunk, pending.size() - offset);
            consume(pending.data() + offset, count);
            offset += count;
        }
        pending.erase(pending.begin(), pending.begin() + offset);
    };
    sf_count_t framesRead = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(handle.get(), frames.data(), kChunk);
        if (got <= 0)
            break;
        framesRead += got;
        mono.clear();
        resampled.clear();
        mono.resize(static_cast<std::size_t>(got));
        for (sf_count_t f = 0; f < got; ++f) {
            float sum = 0;
            for (int c = 0; c < info.channels; ++c)
                sum += frames[f * info.channels + c];
            mono[f] = sum / info.channels;
        }
        resampler.process(mono.data(), mono.size(), resampled);
        floatToInt16(resampled.data(), resampled.size(), pending);
        deliverFull(false);
    }
    if (sf_error(handle.get()) != SF_ERR_NO_ERROR)
        throw std::runtime_error("Cannot read audio file " + file.string() + ": " + sf_strerror(handle.get()));
    // A header without samples (an empty recording, a file cut off after its
    // header) would otherwise pass as silence.
    if (framesRead == 0)
        throw std::runtime_error("Audio file " + file.string() + " has no audio");
    resampled.clear();
    resampler.flush(resampled);
    floatToInt16(resampled.data(), resampled.size(), pending);
    deliverFull(true);
}
