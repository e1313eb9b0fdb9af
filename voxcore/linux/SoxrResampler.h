#pragma once

#include <memory>
#include <vector>

struct soxr;

// Streaming sample-rate conversion of interleaved float audio. Rates that
// already match pass straight through. Not thread-safe: one producer feeds it.
class SoxrResampler
{
public:
    SoxrResampler(double inputRate, double outputRate, unsigned channels = 1);
    ~SoxrResampler();
    SoxrResampler(const SoxrResampler &) = delete;
    SoxrResampler &operator=(const SoxrResampler &) = delete;

    // Converts `frames` frames and appends the output produced so far to `out`.
    void process(const float *samples, std::size_t frames, std::vector<float> &out);
    // Drains the filter's delay line: call once after the last input.
    void flush(std::vector<float> &out);

    double inputRate() const { return m_inputRate; }
    double outputRate() const { return m_outputRate; }

private:
    void run(const float *samples, std::size_t frames, std::vector<float> &out);

    struct Deleter { void operator()(soxr *handle) const; };
    double m_inputRate;
    double m_outputRate;
    unsigned m_channels;
    std::unique_ptr<soxr, Deleter> m_handle;
};
