#include "SoxrResampler.h"

#include <soxr.h>

#include <cmath>
#include <stdexcept>
#include <string>

void SoxrResampler::Deleter::operator()(soxr *handle) const { soxr_delete(handle); }

SoxrResampler::SoxrResampler(double inputRate, double outputRate, unsigned channels)
    : m_inputRate(inputRate), m_outputRate(outputRate), m_channels(channels)
{
    if (inputRate == outputRate)
        return;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    m_handle.reset(soxr_create(inputRate, outputRate, channels, &error, &io, &quality, nullptr));
    if (error || !m_handle)
        throw std::runtime_error(std::string("Cannot create resampler: ") + (error ? error : "unknown error"));
}

SoxrResampler::~SoxrResampler() = default;

void SoxrResampler::process(const float *samples, std::size_t frames, std::vector<float> &out)
{
    if (!m_handle) {
        out.insert(out.end(), samples, samples + frames * m_channels);
        return;
    }
    if (frames > 0)
        run(samples, frames, out);
}

void SoxrResampler::flush(std::vector<float> &out)
{
    if (m_handle)
        run(nullptr, 0, out);
}

void SoxrResampler::run(const float *samples, std::size_t frames, std::vector<float> &out)
{
    // With no input soxr drains its delay line; keep asking until it gives nothing more.
    const double ratio = m_outputRate / m_inputRate;
    const std::size_t room = static_cast<std::size_t>(std::ceil(frames * ratio)) + 1024;
    std::size_t consumed = 0;
    for (;;) {
        const std::size_t start = out.size();
        out.resize(start + room * m_channels);
        std::size_t used = 0, produced = 0;
        soxr_error_t error = soxr_process(m_handle.get(), samples ? samples + consumed * m_channels : nullptr,
                                          frames - consumed, &used, out.data() + start, room, &produced);
        out.resize(start + produced * m_channels);
        if (error)
            throw std::runtime_error(std::string("Resampling failed: ") + error);
        consumed += used;
        const bool inputLeft = samples && consumed < frames;
        const bool draining = !samples && produced > 0;
        if (!inputLeft && !draining)
            break;
    }
}
