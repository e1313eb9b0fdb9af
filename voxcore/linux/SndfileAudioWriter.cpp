#include "SndfileAudioWriter.h"

#include "PcmSamples.h"
#include "SoxrResampler.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

int containerFor(const std::filesystem::path &file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".aif" || extension == ".aiff")
        return SF_FORMAT_AIFF;
    if (extension == ".flac")
        return SF_FORMAT_FLAC;
    if (extension == ".caf")
        return SF_FORMAT_CAF;
    return SF_FORMAT_WAV;
}

int encodingFor(const SndfileAudioWriter::Format &format)
{
    if (format.isFloat)
        return format.bitsPerSample == 64 ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT;
    switch (format.bitsPerSample) {
    case 8: return SF_FORMAT_PCM_U8;
    case 24: return SF_FORMAT_PCM_24;
    case 32: return SF_FORMAT_PCM_32;
    default: return SF_FORMAT_PCM_16;
    }
}

} // namespace

void SndfileAudioWriter::Closer::operator()(sf_private_tag *file) const { sf_close(file); }

SndfileAudioWriter::SndfileAudioWriter(const std::filesystem::path &file, const Format &format)
    : m_format(format)
{
    if (format.sampleRate <= 0 || format.channels <= 0)
        throw std::runtime_error("Unsupported audio file format");
    SF_INFO info{};
    info.samplerate = format.sampleRate;
    info.channels = format.channels;
    info.format = containerFor(file) | encodingFor(format)
                  | (format.isBigEndian ? SF_ENDIAN_BIG : SF_ENDIAN_LITTLE);
    if (!sf_format_check(&info))
        throw std::runtime_error("Unsupported audio file format for " + file.filename().string());
    m_file.reset(sf_open(file.c_str(), SFM_WRITE, &info));
    if (!m_file)
        throw std::runtime_error("Cannot create audio file " + file.string() + ": " + sf_strerror(nullptr));
    // Clip instead of wrapping around when a float sample exceeds full scale.
    sf_command(m_file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SndfileAudioWriter::~SndfileAudioWriter() { close(); }

std::optional<std::string> SndfileAudioWriter::write(const PcmBuffer &buffer)
{
    if (!m_file)
        return "The audio file is closed";
    if (!buffer.channelData(0) || buffer.sampleRate <= 0)
        return "The audio buffer has no float samples";
    if (!m_resampler || m_resampler->inputRate() != buffer.sampleRate) {
        drainResampler();
        m_resampler = std::make_unique<SoxrResampler>(buffer.sampleRate, m_format.sampleRate,
                                                      static_cast<unsigned>(m_format.channels));
    }
    m_converted.clear();
    m_resampled.clear();
    appendInterleaved(buffer, static_cast<unsigned>(m_format.channels), m_converted);
    m_resampler->process(m_converted.data(), buffer.frameLength, m_resampled);
    return writeFrames(m_resampled);
}

std::optional<std::string> SndfileAudioWriter::writeFrames(const std::vector<float> &interleaved)
{
    const auto frames = static_cast<sf_count_t>(interleaved.size() / m_format.channels);
    if (frames == 0)
        return std::nullopt;
    const sf_count_t written = sf_writef_float(m_file.get(), interleaved.data(), frames);
    if (written != frames)
        return std::string("Cannot write the audio file: ") + sf_strerror(m_file.get());
    return std::nullopt;
}

void SndfileAudioWriter::drainResampler()
{
    if (!m_resampler)
        return;
    m_resampled.clear();
    m_resampler->flush(m_resampled);
    writeFrames(m_resampled);
}

void SndfileAudioWriter::close()
{
    if (!m_file)
        return;
    drainResampler();
    m_file.reset();
}
