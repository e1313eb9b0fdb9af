#include "SphinxLiveRecognition.h"

#include "PcmSamples.h"
#include "SndfileSpeechReader.h"
#include "SoxrResampler.h"
#include "SphinxModel.h"
#include "SphinxUtterances.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

using namespace std::chrono_literals;

struct SphinxLiveRecognition::State {
    struct Chunk {
        std::vector<float> mono;
        double sampleRate;
    };

    std::shared_ptr<SphinxModel> model;
    SphinxModel::Vocabulary vocabulary;
    bool reportPartialResults;
    ResultHandler onResult;
    ErrorHandler onError;

    std::mutex lock;
    std::condition_variable wake;
    std::deque<Chunk> queue;
    bool ended = false;
    bool cancelled = false;
    std::atomic<std::uint64_t> decodedSamples = 0; // at the decoder's rate

    bool isCancelled()
    {
        std::lock_guard guard(lock);
        return cancelled;
    }

    // Takes what is queued; false once cancelled.
    bool waitForWork(std::deque<Chunk> &taken, bool &endSeen)
    {
        std::unique_lock guard(lock);
        wake.wait(guard, [this] { return cancelled || ended || !queue.empty(); });
        if (cancelled)
            return false;
        taken.swap(queue);
        endSeen = ended;
        return true;
    }

    void run();
};

void SphinxLiveRecognition::State::run()
{
    try {
        // Wait for the decoder (loading it the first time); another recognition may still hold it.
        std::optional<SphinxModel::Lease> lease;
        while (!lease) {
            if (isCancelled())
                return;
            lease = model->acquire(50ms, vocabulary);
        }
        SphinxUtterances utterances(lease->decoder());
        std::unique_ptr<SoxrResampler> resampler;
        std::vector<float> resampled;
        std::vector<std::int16_t> samples;
        auto decode = [&](bool flush, const Chunk *chunk) {
            resampled.clear();
            samples.clear();
            if (flush)
                resampler->flush(resampled);
            else
                resampler->process(chunk->mono.data(), chunk->mono.size(), resampled);
            floatToInt16(resampled.data(), resampled.size(), samples);
            if (!samples.empty())
                utterances.process(samples.data(), samples.size());
            decodedSamples += samples.size();
        };
        std::string delivered;
        std::deque<Chunk> taken;
        bool endSeen = false;
        while (waitForWork(taken, endSeen)) {
            for (const Chunk &chunk : taken) {
                if (!resampler || resampler->inputRate() != chunk.sampleRate) {
                    if (resampler)
                        decode(true, nullptr);
                    resampler = std::make_unique<SoxrResampler>(chunk.sampleRate, kSpeechSampleRate);
                }
                decode(false, &chunk);
                if (isCancelled())
                    return;
                std::string now = utterances.transcript();
                if (reportPartialResults && now != delivered) {
                    delivered = std::move(now);
                    onResult(delivered, false);
                }
            }
            taken.clear();
            if (endSeen) {
                if (resampler)
                    decode(true, nullptr);
                utterances.finish();
                if (!isCancelled())
                    onResult(utterances.transcript(), true);
                return;
            }
        }
    } catch (const std::exception &error) {
        if (!isCancelled())
            onError(error.what());
    }
}

SphinxLiveRecognition::SphinxLiveRecognition(std::shared_ptr<SphinxModel> model, SphinxModel::Vocabulary vocabulary,
                                             bool reportPartialResults, ResultHandler onResult, ErrorHandler onError)
    : m_state(std::make_shared<State>())
{
    m_state->model = std::move(model);
    m_state->vocabulary = vocabulary;
    m_state->reportPartialResults = reportPartialResults;
    m_state->onResult = std::move(onResult);
    m_state->onError = std::move(onError);
    m_thread = std::thread([state = m_state] { state->run(); });
}

SphinxLiveRecognition::~SphinxLiveRecognition()
{
    // Never wait for the thread: closing the decoder's utterance runs its
    // second search pass, which would hold up whoever lets go of the task
    // (usually the main thread, stopping a dictation). The thread owns its
    // state and returns the decoder when it is done.
    cancel();
    m_thread.detach();
}

void SphinxLiveRecognition::append(const PcmBuffer &buffer)
{
    State::Chunk chunk{{}, buffer.sampleRate};
    appendMono(buffer, chunk.mono);
    if (chunk.mono.empty() || chunk.sampleRate <= 0)
        return;
    {
        std::lock_guard guard(m_state->lock);
        if (m_state->ended || m_state->cancelled)
            return;
        m_state->queue.push_back(std::move(chunk));
    }
    m_state->wake.notify_one();
}

std::chrono::milliseconds SphinxLiveRecognition::decodedAudio() const
{
    return std::chrono::milliseconds(m_state->decodedSamples * 1000 / static_cast<std::uint64_t>(kSpeechSampleRate));
}

void SphinxLiveRecognition::endAudio()
{
    {
        std::lock_guard guard(m_state->lock);
        m_state->ended = true;
    }
    m_state->wake.notify_one();
}

void SphinxLiveRecognition::cancel()
{
    {
        std::lock_guard guard(m_state->lock);
        m_state->cancelled = true;
        m_state->queue.clear();
    }
    m_state->wake.notify_one();
}
