#pragma once

#include <voxcore/PcmBuffer.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sf_private_tag;
class SoxrResampler;

// Writes captured audio to a file of fixed rate, channel count and sample
// format. Buffers arrive in the capture's own rate and channel count; they are
// mixed and resampled on the way in, so the file holds the audio at its real
// length whatever the source delivers.
class SndfileAudioWriter
{
public:
    struct Format {
        int sampleRate = 44100;
        int channels = 1;
        int bitsPerSample = 16;
        bool isFloat = false;
        bool isBigEndian = false;
    };

    // The container follows the extension (.wav, .aiff, .flac, ...). Throws
    // std::runtime_error with a readable text when the file cannot be created.
    SndfileAudioWriter(const std::filesystem::path &file, const Format &format);
    ~SndfileAudioWriter(); // finishes and closes
    SndfileAudioWriter(const SndfileAudioWriter &) = delete;
    SndfileAudioWriter &operator=(const SndfileAudioWriter &) = delete;

    // An error text when the buffer could not be written.
    std::optional<std::string> write(const PcmBuffer &buffer);
    // Drains the resampler and closes the file. Idempotent.
    void close();

private:
    std::optional<std::string> writeFrames(const std::vector<float> &interleaved);
    void drainResampler();

    struct Closer { void operator()(sf_private_tag *file) const; };
    Format m_format;
    std::unique_ptr<sf_private_tag, Closer> m_file;
    std::unique_ptr<SoxrResampler> m_resampler;
    std::vector<float> m_converted, m_resampled;
};
