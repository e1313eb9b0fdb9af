#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

// Capture from one source of the sound server (the default source unless one
// is named; a named one that is missing gives the default, with a line on
// standard error) on the client library's own
// thread (the capture thread). Audio arrives in the source's own rate and
// channel count as 32-bit float, interleaved, in buffers of a fixed number of
// frames. If the server goes away the error handler is called once; stop()
// still returns at once.
class PulseCapture
{
public:
    struct Format {
        double sampleRate = 0;
        unsigned channels = 0;
    };
    using BufferHandler = std::function<void(const float *interleaved, std::size_t frames, const Format &format)>;
    using ErrorHandler = std::function<void(const std::string &message)>;
    // The server answers but has no input device: nothing to capture, nothing refused.
    struct NoInputDevice : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    explicit PulseCapture(std::string source = {});
    ~PulseCapture(); // stops
    PulseCapture(const PulseCapture &) = delete;
    PulseCapture &operator=(const PulseCapture &) = delete;

    // Connects to the server and learns the default source's format. Throws
    // std::runtime_error with a readable text when no server or source can be
    // reached within `patience` (NoInputDevice when the server has no source). Does nothing when already open.
    Format open(std::chrono::milliseconds patience = std::chrono::milliseconds(3000));
    // Opens if needed and starts capturing; throws like open(). Handlers run
    // on the capture thread, must not block and must not call stop().
    void start(std::size_t framesPerBuffer, BufferHandler onBuffer, ErrorHandler onError,
               std::chrono::milliseconds patience = std::chrono::milliseconds(3000));
    // Ends capture; no handler runs after it returns. Idempotent.
    void stop();

private:
    struct Private;
    std::string m_source;
    std::unique_ptr<Private> d;
};
