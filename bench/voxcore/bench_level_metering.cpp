// Level metering: throughput of the input-level computation over capture-like
// buffers, and what one level update costs the speech recognition manager
// (window append and trim, change notifications, amplitude), measured through
// the level callback the manager hands its provider.

#include "BenchSupport.h"

#include "platform/MicrophoneAuthorization.h"

#include <voxcore/AppleSpeechProvider.h>
#include <voxcore/PcmBuffer.h>
#include <voxcore/SpeechRecognitionManager.h>

#include <QCoreApplication>
#include <QCoro/QCoroTask>

#include <cmath>
#include <cstdio>

namespace {

class GrantedMicrophone : public MicrophoneAuthorization
{
public:
    AuthorizationStatus authorizationStatus() override { return AuthorizationStatus::authorized; }
    void requestAccess(std::function<void(bool)> completion) override { completion(true); }
};

// Hands out an endless transcript stream and keeps the manager's level callback.
class LevelOnlyProvider : public SpeechRecognitionProvider
{
public:
    std::function<void(float)> levelCallback;

    bool isAvailable() const override { return true; }
    QList<Locale> supportedLocales() const override { return {Locale("en-US")}; }
    bool hasPermission() const override { return true; }
    QCoro::Task<bool> requestAuthorization() override { co_return true; }
    QCoro::Task<QString> transcribeAudioFile(QUrl, Locale) override { co_return QString(); }
    QCoro::Task<TranscriptStream> transcribeMicrophone(Locale, std::function<void(float)> onAmplitudeUpdate) override
    {
        levelCallback = std::move(onAmplitudeUpdate);
        auto [stream, continuation] = TranscriptStream::makeStream();
        m_continuation.emplace(continuation);
        co_return stream;
    }

private:
    std::optional<TranscriptStream::Continuation> m_continuation;
};

PcmBuffer stereoBuffer()
{
    PcmBuffer buffer;
    buffer.sampleRate = 44100;
    buffer.channelCount = 2;
    buffer.interleaved = true;
    buffer.frameLength = 1024;
    buffer.floatData.emplace(2048);
    for (std::size_t i = 0; i < 2048; ++i)
        (*buffer.floatData)[i] = float(0.05 * std::sin(i * 0.03));
    return buffer;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    const PcmBuffer buffer = stereoBuffer();
    constexpr int kBuffers = 200000;
    float sink = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBuffers; ++i)
        sink += AppleSpeechProvider::inputLevel(buffer).value_or(0);
    const double levelSeconds = bench::secondsSince(start);
    // Samples of the buffer's frames that the capture delivered (1024 per buffer).
    std::printf("input level: %.0f buffers/s, %.3g captured frames/s (%.2f us per 1024-frame buffer) [check %.1f]\n",
                kBuffers / levelSeconds, kBuffers * 1024.0 / levelSeconds, levelSeconds / kBuffers * 1e6, sink);

    auto owned = std::make_unique<LevelOnlyProvider>();
    LevelOnlyProvider *provider = owned.get();
    SpeechRecognitionManager manager(std::move(owned), std::make_shared<GrantedMicrophone>());
    int notifications = 0;
    QObject::connect(&manager, &SpeechRecognitionManager::normalizedSamplesChanged, [&] { ++notifications; });
    QObject::connect(&manager, &SpeechRecognitionManager::currentAmplitudeChanged, [&] { ++notifications; });
    QCoro::waitFor(manager.startMicrophoneTranscription());
    if (!provider->levelCallback) {
        std::fputs("the manager did not start a transcription\n", stderr);
        return 1;
    }
    constexpr int kUpdates = 200000;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kUpdates; ++i)
        provider->levelCallback(float((i % 97) / 97.0));
    const double updateSeconds = bench::secondsSince(start);
    std::printf("manager level update: %.3f us each (%d updates, window %lld, %d notifications), "
                "%.0f updates/s; the capture makes 43 per second\n",
                updateSeconds / kUpdates * 1e6, kUpdates, qlonglong(manager.normalizedSamples().size()), notifications,
                kUpdates / updateSeconds);
    manager.stopMicrophoneTranscription();
    return 0;
}
