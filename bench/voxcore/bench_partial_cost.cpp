// How the cost of live recognition grows with the dictation's length.
//
// A long dictation (the engine's LibriVox clips in turn, 0.6 s apart, until
// the given minutes are filled; 10 by default) is appended at once to one live
// recognition task with partial results, as a capture would over that time, and
// decoded as fast as the machine allows. At every result the decoded audio and
// the wall clock are noted, so for the first and the last minute of speech it
// prints:
//   - the real-time factor (processor time spent decoding / audio time, so a
//     busy machine does not distort it): constant when a partial result costs
//     the same however long the dictation has run;
//   - the partial results per minute of speech and the size of the transcript
//     each one carries;
// and the peak resident memory.
//
//   bench_partial_cost [MINUTES]

#include "BenchSupport.h"

#include "platform/SpeechRecognizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>

using Clock = std::chrono::steady_clock;

namespace {

constexpr double kSampleRate = 16000;
const char *const kClips = "/usr/share/pocketsphinx/test/data/librivox";

// The samples of a 16-bit mono WAV file as floats (the clips' own format).
std::vector<float> readClip(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (data < 0)
        return {};
    std::vector<float> samples;
    for (qsizetype at = data + 8; at + 1 < bytes.size(); at += 2) {
        const auto value = qint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
        samples.push_back(float(value) / 32768.0f);
    }
    return samples;
}

std::vector<float> dictation(double minutes)
{
    QList<std::vector<float>> clips;
    for (const QString &name : QDir(kClips).entryList({"*.wav"}, QDir::Files, QDir::Name))
        clips.append(readClip(QDir(kClips).filePath(name)));
    std::vector<float> audio(std::size_t(kSampleRate), 0.0f); // a second of silence first
    const std::size_t gap = std::size_t(0.6 * kSampleRate);
    while (!clips.isEmpty() && double(audio.size()) < minutes * 60 * kSampleRate)
        for (const auto &clip : clips) {
            audio.insert(audio.end(), clip.begin(), clip.end());
            audio.insert(audio.end(), gap, 0.0f);
        }
    return audio;
}

// Processor time of the whole process; the main thread only waits here.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Sample
{
    double cpuSeconds;
    double decodedSeconds;
    qsizetype transcriptChars;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 10;
    const std::vector<float> audio = dictation(minutes);
    if (audio.size() < std::size_t(2 * 60 * kSampleRate)) {
        std::fprintf(stderr, "bench_partial_cost: need at least two minutes of speech from %s\n", kClips);
        return 1;
    }
    const double audioSeconds = double(audio.size()) / kSampleRate;

    auto recognition = defaultSpeechRecognition();
    auto recognizer = recognition ? recognition->recognizer(Locale(QStringLiteral("en-US"))) : nullptr;
    if (!recognizer) {
        std::fprintf(stderr, "bench_partial_cost: no English recognizer\n");
        return 1;
    }

    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    QList<Sample> samples;
    AudioBufferRecognitionTask *decoding = nullptr; // set under the lock once the task exists
    const Clock::time_point start = Clock::now();
    const auto task = recognizer->recognitionTask(
        AudioBufferRecognitionRequest{}, [&](const std::optional<RecognitionResult> &result, const std::optional<QString> &error) {
            const std::lock_guard guard(lock);
            if (error || !result || result->isFinal) {
                if (error)
                    std::fprintf(stderr, "bench_partial_cost: %s\n", qPrintable(*error));
                done = true;
                finished.notify_all();
            }
            if (result && decoding)
                samples.append({cpuSeconds(), decoding->decodedAudio().count() / 1000.0,
                                result->formattedString.size()});
        });

    {
        const std::lock_guard guard(lock);
        decoding = task.get();
    }
    // Appended in capture-sized buffers, all at once: the recognizer queues them.
    constexpr std::size_t kBufferFrames = 1600;
    for (std::size_t at = 0; at < audio.size(); at += kBufferFrames) {
        PcmBuffer buffer;
        buffer.sampleRate = kSampleRate;
        buffer.channelCount = 1;
        buffer.interleaved = true;
        buffer.frameLength = std::min(kBufferFrames, audio.size() - at);
        buffer.floatData.emplace(audio.begin() + qsizetype(at), audio.begin() + qsizetype(at + buffer.frameLength));
        task->append(buffer);
    }
    task->endAudio();
    {
        std::unique_lock wait(lock);
        finished.wait(wait, [&] { return done; });
    }
    const double wallSeconds = bench::secondsSince(start);

    // The first and the last minute of speech, by decoded audio.
    struct Window
    {
        double rtf = 0;
        int results = 0;
        qsizetype chars = 0;
    };
    const auto window = [&](double from, double to) {
        Window w;
        std::optional<Sample> first, last;
        for (const Sample &s : samples) {
            if (s.decodedSeconds < from || s.decodedSeconds > to)
                continue;
            if (!first)
                first = s;
            last = s;
            ++w.results;
            w.chars = s.transcriptChars;
        }
        if (first && last && last->decodedSeconds > first->decodedSeconds)
            w.rtf = (last->cpuSeconds - first->cpuSeconds) / (last->decodedSeconds - first->decodedSeconds);
        return w;
    };
    const Window early = window(0, 60);
    const Window late = window(audioSeconds - 60, audioSeconds);

    std::printf("speech %.0f s decoded in %.1f s; %lld results\n", audioSeconds, wallSeconds,
                static_cast<long long>(samples.size()));
    std::printf("FIGURE partial_speech_minutes=%.1f min\n", audioSeconds / 60);
    std::printf("FIGURE partial_rtf_first_minute=%.3f\n", early.rtf);
    std::printf("FIGURE partial_rtf_last_minute=%.3f\n", late.rtf);
    std::printf("FIGURE partial_results_first_minute=%d\n", early.results);
    std::printf("FIGURE partial_results_last_minute=%d\n", late.results);
    std::printf("FIGURE partial_chars_first_minute=%lld chars\n", static_cast<long long>(early.chars));
    std::printf("FIGURE partial_chars_last_minute=%lld chars\n", static_cast<long long>(late.chars));
    std::printf("FIGURE partial_peak_rss=%.0f MiB\n", bench::peakResidentMiB());
    return 0;
}
