// The audio engine seam on PulseAudio: the default source, captured on the
// client library's thread, delivered to the tap in buffers of the tap's size.

#include "platform/AudioEngine.h"

#include "PulseCapture.h"

#include <mutex>
#include <stdexcept>

namespace {

class PulseAudioEngine : public AudioEngine
{
public:
    explicit PulseAudioEngine(std::string input = {}) : m_capture(std::move(input)) {}
    ~PulseAudioEngine() override { stop(); }

    AudioFormat inputFormat() override
    {
        std::lock_guard guard(m_control);
        try {
            const auto format = m_capture.open();
            return {format.sampleRate, static_cast<int>(format.channels)};
        } catch (const std::exception &) {
            return {}; // start() reports the reason
        }
    }

    void installTap(std::size_t bufferSize, TapBlock block) override
    {
        std::lock_guard guard(m_tapLock);
        m_bufferSize = bufferSize;
        m_tap = std::move(block);
    }

    void removeTap() override
    {
        // Holding the tap's lock waits for a block that is running right now.
        TapBlock released;
        std::lock_guard guard(m_tapLock);
        released = std::move(m_tap);
        m_tap = nullptr;
    }

    void setInterruptionHandler(std::function<void(const QString &)> handler) override
    {
        std::lock_guard guard(m_tapLock);
        m_onInterruption = std::move(handler);
    }

    std::optional<QString> start() override
    {
        std::lock_guard guard(m_control);
        std::size_t bufferSize;
        {
            std::lock_guard tapGuard(m_tapLock);
            bufferSize = m_bufferSize;
        }
        try {
            m_capture.start(
                bufferSize,
                [this](const float *interleaved, std::size_t frames, const PulseCapture::Format &format) {
                    deliver(interleaved, frames, format);
                },
                [this](const std::string &message) { interrupted(message); });
        } catch (const std::exception &error) {
            return QString::fromStdString(error.what());
        }
        return std::nullopt;
    }

    void stop() override
    {
        std::lock_guard guard(m_control);
        m_capture.stop();
    }

private:
    void deliver(const float *interleaved, std::size_t frames, const PulseCapture::Format &format)
    {
        std::lock_guard guard(m_tapLock);
        if (!m_tap)
            return;
        PcmBuffer buffer;
        buffer.sampleRate = format.sampleRate;
        buffer.channelCount = static_cast<int>(format.channels);
        buffer.interleaved = true;
        buffer.frameLength = frames;
        buffer.floatData.emplace(interleaved, interleaved + frames * format.channels);
        m_tap(buffer);
    }

    void interrupted(const std::string &message)
    {
        std::function<void(const QString &)> handler;
        {
            std::lock_guard guard(m_tapLock);
            handler = std::move(m_onInterruption);
            m_onInterruption = nullptr;
        }
        if (handler)
            handler(QString::fromStdString(message));
    }

    std::mutex m_control; // open, start and stop
    std::mutex m_tapLock; // the tap block, its size and the interruption handler
    std::size_t m_bufferSize = 1024;
    TapBlock m_tap;
    std::function<void(const QString &)> m_onInterruption;
    PulseCapture m_capture;
};

} // namespace

std::shared_ptr<AudioEngine> makeDefaultAudioEngine()
{
    return std::make_shared<PulseAudioEngine>();
}

std::shared_ptr<AudioEngine> makeAudioEngineForInput(const QString &inputName)
{
    return std::make_shared<PulseAudioEngine>(inputName.toStdString());
}
