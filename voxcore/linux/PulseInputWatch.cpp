#include "PulseInputWatch.h"

#include "PulseHandles.h"

#include <chrono>

namespace {

using namespace std::chrono;

// As long as the input list waits for a busy server.
constexpr auto kPatience = 3s;

class PulseInputWatch : public AudioInputList::Watch
{
public:
    explicit PulseInputWatch(std::function<void()> changed) : m_changed(std::move(changed)) {}

    // Connects and subscribes; false when the server does not answer in time.
    bool start()
    {
        m_loop.reset(pa_threaded_mainloop_new());
        if (!m_loop || pa_threaded_mainloop_start(m_loop.get()) < 0)
            return false;
        LoopLock lock(m_loop.get());
        m_context.reset(pa_context_new(pa_threaded_mainloop_get_api(m_loop.get()), "Sayline input watch"));
        if (!m_context)
            return false;
        pa_context_set_state_callback(m_context.get(), &PulseInputWatch::onState, this);
        if (pa_context_connect(m_context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        // A server that accepts the connection but never answers cannot hang the caller.
        pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop.get());
        struct timeval when{};
        pa_timeval_add(pa_gettimeofday(&when), duration_cast<microseconds>(kPatience).count());
        pa_time_event *deadline = api->time_new(api, &when, &PulseInputWatch::onTimeout, this);
        while (pa_context_get_state(m_context.get()) != PA_CONTEXT_READY
               && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context.get())) && !m_timedOut)
            pa_threaded_mainloop_wait(m_loop.get());
        api->time_free(deadline);
        if (pa_context_get_state(m_context.get()) != PA_CONTEXT_READY)
            return false;
        pa_context_set_subscribe_callback(m_context.get(), &PulseInputWatch::onEvent, this);
        std::unique_ptr<pa_operation, OperationDeleter> subscription(
            pa_context_subscribe(m_context.get(), PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr));
        m_watching = subscription != nullptr;
        return m_watching;
    }

    ~PulseInputWatch() override
    {
        if (m_loop) {
            {
                LoopLock lock(m_loop.get());
                m_watching = false;
                m_context.reset();
            }
            m_loop.reset();
        }
    }

private:
    static void onState(pa_context *context, void *self)
    {
        auto *watch = static_cast<PulseInputWatch *>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        // The server went away: the inputs are gone with it, once.
        if (watch->m_watching && !PA_CONTEXT_IS_GOOD(state)) {
            watch->m_watching = false;
            watch->m_changed();
        }
        pa_threaded_mainloop_signal(watch->m_loop.get(), 0);
    }

    static void onTimeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
    {
        auto *watch = static_cast<PulseInputWatch *>(self);
        watch->m_timedOut = true;
        pa_threaded_mainloop_signal(watch->m_loop.get(), 0);
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t, uint32_t, void *self)
    {
        auto *watch = static_cast<PulseInputWatch *>(self);
        if (watch->m_watching)
            watch->m_changed();
    }

    std::function<void()> m_changed;
    // Declared first, destroyed last: the context goes before its loop.
    std::unique_ptr<pa_threaded_mainloop, ThreadedMainloopDeleter> m_loop;
    std::unique_ptr<pa_context, ContextDeleter> m_context;
    bool m_watching = false; // these under the loop's lock
    bool m_timedOut = false;
};

} // namespace

std::unique_ptr<AudioInputList::Watch> watchPulseInputs(std::function<void()> changed)
{
    auto watch = std::make_unique<PulseInputWatch>(std::move(changed));
    if (!watch->start())
        return nullptr;
    return watch;
}
