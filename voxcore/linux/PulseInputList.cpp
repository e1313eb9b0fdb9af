// The sound server's inputs, asked on a short-lived connection of their own.

#include "PulseHandles.h"
#include "PulseInputWatch.h"
#include "platform/AudioInputList.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Long enough for a busy server, short enough for a settings page that opens.
constexpr auto kPatience = 3s;

struct MainloopDeleter { void operator()(pa_mainloop *loop) const { pa_mainloop_free(loop); } };
struct Listing
{
    QList<AudioInput> inputs;
    bool done = false;
    bool failed = false;

    static void onSource(pa_context *, const pa_source_info *info, int eol, void *self)
    {
        auto *listing = static_cast<Listing *>(self);
        if (eol < 0)
            listing->failed = true;
        if (eol != 0) {
            listing->done = true;
            return;
        }
        listing->inputs.append({QString::fromUtf8(info->name),
                                QString::fromUtf8(info->description ? info->description : info->name)});
    }
};

class PulseInputList : public AudioInputList
{
public:
    std::optional<QList<AudioInput>> inputs() override
    {
        std::unique_ptr<pa_mainloop, MainloopDeleter> loop(pa_mainloop_new());
        if (!loop)
            return std::nullopt;
        std::unique_ptr<pa_context, ContextDeleter> context(
            pa_context_new(pa_mainloop_get_api(loop.get()), "Sayline"));
        if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return std::nullopt;
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        // Runs the loop until `done` holds; false when the server failed or time ran out.
        const auto runUntil = [&](auto done) {
            while (!done()) {
                const pa_context_state_t state = pa_context_get_state(context.get());
                if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED
                    || std::chrono::steady_clock::now() > deadline)
                    return false;
                if (pa_mainloop_iterate(loop.get(), 0, nullptr) == 0)
                    std::this_thread::sleep_for(5ms);
            }
            return true;
        };
        if (!runUntil([&] { return pa_context_get_state(context.get()) == PA_CONTEXT_READY; }))
            return std::nullopt;
        Listing listing;
        std::unique_ptr<pa_operation, OperationDeleter> query(
            pa_context_get_source_info_list(context.get(), &Listing::onSource, &listing));
        if (!query || !runUntil([&] { return listing.done; }) || listing.failed)
            return std::nullopt;
        return listing.inputs;
    }

    std::unique_ptr<Watch> watch(std::function<void()> changed) override
    {
        return watchPulseInputs(std::move(changed));
    }
};

} // namespace

std::shared_ptr<AudioInputList> defaultAudioInputList()
{
    return std::make_shared<PulseInputList>();
}
