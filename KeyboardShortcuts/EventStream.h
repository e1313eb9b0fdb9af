#pragma once

#include "EventType.h"

#include <coroutine>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace KeyboardShortcuts {

// An asynchronous stream of key events of one name (events(for:)). Events are
// buffered in order until read with `co_await stream.next()`. Destroying the
// stream ends it: its callbacks are removed and the hot key is unregistered when
// no handler or other stream still needs it. Move-only; main thread only.
//
//     auto stream = KeyboardShortcuts::events(name);
//     while (auto type = co_await stream.next()) { ... }
class EventStream
{
public:
    struct State
    {
        std::deque<EventType> buffer;
        std::coroutine_handle<> waiter;
        bool finished = false;
        std::function<void()> onTermination;
        std::optional<EventType> filter;
    };

    class NextAwaiter
    {
    public:
        explicit NextAwaiter(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        NextAwaiter(NextAwaiter &&other) noexcept
            : m_state(std::move(other.m_state)), m_handle(std::exchange(other.m_handle, nullptr))
        {
        }
        NextAwaiter(const NextAwaiter &) = delete;
        NextAwaiter &operator=(const NextAwaiter &) = delete;
        NextAwaiter &operator=(NextAwaiter &&) = delete;
        ~NextAwaiter();
        bool await_ready() const noexcept;
        void await_suspend(std::coroutine_handle<> handle);
        std::optional<EventType> await_resume();

    private:
        std::shared_ptr<State> m_state;
        std::coroutine_handle<> m_handle;
    };

    explicit EventStream(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    EventStream(EventStream &&) noexcept = default;
    EventStream &operator=(EventStream &&other) noexcept;
    EventStream(const EventStream &) = delete;
    EventStream &operator=(const EventStream &) = delete;
    ~EventStream();

    // The next event, or none once the stream has ended.
    NextAwaiter next() { return NextAwaiter(m_state); }
    // Only events of this type are kept from now on.
    void setFilter(EventType type)
    {
        if (m_state)
            m_state->filter = type;
    }
    // Events buffered but not read yet.
    size_t pendingCount() const { return m_state ? m_state->buffer.size() : 0; }

    // Feeds the stream (used by the dispatchers). The waiting reader, if any,
    // resumes on the next turn of the event loop.
    static void yield(const std::shared_ptr<State> &state, EventType type);

private:
    void terminate();
    std::shared_ptr<State> m_state;
};

} // namespace KeyboardShortcuts
