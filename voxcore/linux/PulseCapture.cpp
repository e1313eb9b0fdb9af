#include "PulseCapture.h"

#include "PulseHandles.h"

#include <pulse/pulseaudio.h>

#include <cstdio>
#include <stdexcept>

namespace {

struct StreamDeleter {
    void operator()(pa_stream *stream) const
    {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_moved_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
};

} // namespace

struct PulseCapture::Private {
    std::unique_ptr<pa_threaded_mainloop, ThreadedMainloopDeleter> loop;
    std::unique_ptr<pa_context, ContextDeleter> context;
    std::unique_ptr<pa_stream, StreamDeleter> stream;

    BufferHandler onBuffer;
    ErrorHandler onError;
    Format format;
    std::vector<float> pending;
    bool capturing = false; // set under the mainloop lock
    bool failed = false;
    bool timedOut = false;

    // The source asked for (empty: the default), and the one captured.
    std::string requestedSource;
    std::string capturedSource;
    // Source format query result.
    bool sourceKnown = false;
    bool sourceMissing = false;
    pa_sample_spec sourceSpec{};

    void fail(const std::string &message)
    {
        if (failed)
            return;
        failed = true;
        if (capturing && onError)
            onError(message);
    }

    std::string contextError() const
    {
        return pa_strerror(pa_context_errno(context.get()));
    }

    static void onContextState(pa_context *context, void *self)
    {
        auto *d = static_cast<Private *>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            d->fail("Connection to the sound server lost: " + d->contextError());
        pa_threaded_mainloop_signal(d->loop.get(), 0);
    }

    static void onStreamState(pa_stream *stream, void *self)
    {
        auto *d = static_cast<Private *>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            d->fail("Audio capture stream ended: " + d->contextError());
        pa_threaded_mainloop_signal(d->loop.get(), 0);
    }

    static void onSourceInfo(pa_context *, const pa_source_info *info, int eol, void *self)
    {
        auto *d = static_cast<Private *>(self);
        if (eol < 0)
            d->sourceMissing = true;
        else if (info) {
            d->sourceSpec = info->sample_spec;
            d->sourceKnown = true;
        }
        if (eol != 0)
            pa_threaded_mainloop_signal(d->loop.get(), 0);
    }

    // The server moves a stream whose source went away (unplugged) to the default one.
    static void onStreamMoved(pa_stream *stream, void *self)
    {
        auto *d = static_cast<Private *>(self);
        if (!d->capturedSource.empty())
            std::fprintf(stderr, "The chosen input \"%s\" went away; capturing from \"%s\" now\n",
                         d->capturedSource.c_str(), pa_stream_get_device_name(stream));
    }

    static void onTimeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
    {
        auto *d = static_cast<Private *>(self);
        d->timedOut = true;
        pa_threaded_mainloop_signal(d->loop.get(), 0);
    }

    static void onRead(pa_stream *stream, size_t, void *self)
    {
        auto *d = static_cast<Private *>(self);
        const void *data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0) {
            if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
                return;
            if (data) {
                const auto *samples = static_cast<const float *>(data);
                d->pending.insert(d->pending.end(), samples, samples + bytes / sizeof(float));
            } else {
                // A hole in the stream: keep the timing with silence.
                d->pending.insert(d->pending.end(), bytes / sizeof(float), 0.0f);
            }
            pa_stream_drop(stream);
            d->deliverFullBuffers();
        }
    }

    void deliverFullBuffers()
    {
        const std::size_t perBuffer = framesPerBuffer * format.channels;
        std::size_t offset = 0;
        while (capturing && pending.size() - offset >= perBuffer) {
            onBuffer(pending.data() + offset, framesPerBuffer, format);
            offset += perBuffer;
        }
        pending.erase(pending.begin(), pending.begin() + offset);
    }

    // Waits (holding the lock) until `done` holds, the connection failed or time ran out.
    template<typename Done>
    void waitUntil(Done done)
    {
        while (!done() && !failed && !timedOut)
            pa_threaded_mainloop_wait(loop.get());
    }

    void connect(std::chrono::milliseconds patience);
    void record(std::chrono::milliseconds patience);
    void startDeadline(std::chrono::milliseconds patience);
    void endDeadline();
    void release();

    pa_time_event *deadline = nullptr;
    std::size_t framesPerBuffer = 1024;
};

// Every wait ends at the deadline, so a server that accepts the connection
// but never answers cannot hang the caller. Call with the loop locked.
void PulseCapture::Private::startDeadline(std::chrono::milliseconds patience)
{
    endDeadline();
    timedOut = false;
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop.get());
    struct timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), static_cast<pa_usec_t>(patience.count()) * 1000);
    deadline = api->time_new(api, &when, &Private::onTimeout, this);
}

void PulseCapture::Private::endDeadline()
{
    if (!deadline)
        return;
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop.get());
    api->time_free(deadline);
    deadline = nullptr;
}

void PulseCapture::Private::connect(std::chrono::milliseconds patience)
{
    loop.reset(pa_threaded_mainloop_new());
    if (!loop)
        throw std::runtime_error("Cannot create the sound server client");
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop.get());
    context.reset(pa_context_new(api, "Sayline"));
    if (!context)
        throw std::runtime_error("Cannot create the sound server client");
    pa_context_set_state_callback(context.get(), &Private::onContextState, this);
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        throw std::runtime_error("Cannot connect to the sound server: " + contextError());
    if (pa_threaded_mainloop_start(loop.get()) < 0)
        throw std::runtime_error("Cannot start the sound server client");

    LoopLock lock(loop.get());
    startDeadline(patience);
    waitUntil([this] { return pa_context_get_state(context.get()) == PA_CONTEXT_READY; });
    if (failed || pa_context_get_state(context.get()) != PA_CONTEXT_READY)
        throw std::runtime_error(timedOut ? "The sound server does not answer"
                                          : "Cannot connect to the sound server: " + contextError());

    const auto querySource = [this](const std::string &name) {
        sourceKnown = sourceMissing = false;
        std::unique_ptr<pa_operation, OperationDeleter> query(
            pa_context_get_source_info_by_name(context.get(), name.c_str(), &Private::onSourceInfo, this));
        if (!query)
            throw std::runtime_error("Cannot ask the sound server for its input: " + contextError());
        waitUntil([this] { return sourceKnown || sourceMissing; });
    };
    querySource(requestedSource.empty() ? "@DEFAULT_SOURCE@" : requestedSource);
    capturedSource = requestedSource;
    // A chosen input that was unplugged: the default one rather than no dictation.
    if (!requestedSource.empty() && sourceMissing && !failed && !timedOut) {
        std::fprintf(stderr, "The chosen input \"%s\" is not available; using the default input\n",
                     requestedSource.c_str());
        capturedSource.clear();
        querySource("@DEFAULT_SOURCE@");
    }
    endDeadline();
    if (!sourceKnown && timedOut)
        throw std::runtime_error("The sound server does not answer");
    if (!sourceKnown)
        throw NoInputDevice("No audio input device is available");
    format.sampleRate = sourceSpec.rate;
    format.channels = sourceSpec.channels;
}

void PulseCapture::Private::record(std::chrono::milliseconds patience)
{
    LoopLock lock(loop.get());
    if (failed)
        throw std::runtime_error("Connection to the sound server lost: " + contextError());
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, sourceSpec.rate, sourceSpec.channels};
    stream.reset(pa_stream_new(context.get(), "Microphone", &spec, nullptr));
    if (!stream)
        throw std::runtime_error("Cannot open the audio input: " + contextError());
    pa_stream_set_state_callback(stream.get(), &Private::onStreamState, this);
    pa_stream_set_read_callback(stream.get(), &Private::onRead, this);
    pa_stream_set_moved_callback(stream.get(), &Private::onStreamMoved, this);
    // Ask for fragments of one buffer so that audio arrives without delay.
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.fragsize = static_cast<uint32_t>(framesPerBuffer * pa_frame_size(&spec));
    attributes.tlength = attributes.prebuf = attributes.minreq = static_cast<uint32_t>(-1);
    const char *source = capturedSource.empty() ? nullptr : capturedSource.c_str();
    if (pa_stream_connect_record(stream.get(), source, &attributes, PA_STREAM_ADJUST_LATENCY) < 0)
        throw std::runtime_error("Cannot open the audio input: " + contextError());
    startDeadline(patience);
    waitUntil([this] { return pa_stream_get_state(stream.get()) == PA_STREAM_READY; });
    endDeadline();
    if (pa_stream_get_state(stream.get()) != PA_STREAM_READY)
        throw std::runtime_error(timedOut ? "The sound server does not answer"
                                          : "Cannot open the audio input: " + contextError());
    capturing = true;
}

// Stream and context go under the loop's lock, then the loop (joining its thread).
void PulseCapture::Private::release()
{
    if (loop) {
        {
            LoopLock lock(loop.get());
            capturing = false;
            endDeadline();
            stream.reset();
            context.reset();
        }
        loop.reset();
    }
}

PulseCapture::PulseCapture(std::string source) : m_source(std::move(source)) {}

PulseCapture::~PulseCapture() { stop(); }

PulseCapture::Format PulseCapture::open(std::chrono::milliseconds patience)
{
    if (d)
        return d->format;
    auto fresh = std::make_unique<Private>();
    fresh->requestedSource = m_source;
    try {
        fresh->connect(patience);
    } catch (...) {
        fresh->release();
        throw;
    }
    d = std::move(fresh);
    return d->format;
}

void PulseCapture::start(std::size_t framesPerBuffer, BufferHandler onBuffer, ErrorHandler onError,
                         std::chrono::milliseconds patience)
{
    if (d && d->stream)
        throw std::runtime_error("Audio capture is already running");
    open(patience);
    {
        LoopLock lock(d->loop.get());
        d->framesPerBuffer = framesPerBuffer > 0 ? framesPerBuffer : 1024;
        d->onBuffer = std::move(onBuffer);
        d->onError = std::move(onError);
    }
    try {
        d->record(patience);
    } catch (...) {
        stop();
        throw;
    }
}

void PulseCapture::stop()
{
    if (!d)
        return;
    d->release();
    d.reset();
}
