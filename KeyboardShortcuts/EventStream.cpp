#include "EventStream.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace KeyboardShortcuts {
namespace {

// Resumes the waiting reader on the next turn of the event loop, so that a
// reader never runs inside the dispatcher that fed it.
void scheduleResume(const std::shared_ptr<EventStream::State> &state)
{
    if (!state->waiter)
        return;
    auto resume = [weak = std::weak_ptr<EventStream::State>(state)] {
        const std::shared_ptr<EventStream::State> alive = weak.lock();
        // Another resume may have run first and the reader may already wait again.
        if (!alive || !alive->waiter || (alive->buffer.empty() && !alive->finished))
            return;
        std::exchange(alive->waiter, nullptr).resume();
    };
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), resume, Qt::QueuedConnection);
    else
        resume();
}

} // namespace

bool EventStream::NextAwaiter::await_ready() const noexcept
{
    return !m_state || !m_state->buffer.empty() || m_state->finished;
}

void EventStream::NextAwaiter::await_suspend(std::coroutine_handle<> handle)
{
    m_handle = handle;
    m_state->waiter = handle;
}

std::optional<EventType> EventStream::NextAwaiter::await_resume()
{
    m_handle = nullptr;
    if (!m_state || m_state->buffer.empty())
        return std::nullopt;
    const EventType type = m_state->buffer.front();
    m_state->buffer.pop_front();
    return type;
}

EventStream::NextAwaiter::~NextAwaiter()
{
    // The reader's coroutine went away while waiting: never resume it.
    if (m_state && m_handle && m_state->waiter == m_handle)
        m_state->waiter = nullptr;
}

EventStream &EventStream::operator=(EventStream &&other) noexcept
{
    if (this != &other) {
        terminate();
        m_state = std::move(other.m_state);
    }
    return *this;
}

EventStream::~EventStream()
{
    terminate();
}

void EventStream::terminate()
{
    if (!m_state || m_state->finished)
        return;
    m_state->finished = true;
    if (auto onTermination = std::exchange(m_state->onTermination, nullptr))
        onTermination();
    scheduleResume(m_state);
    m_state.reset();
}

void EventStream::yield(const std::shared_ptr<State> &state, EventType type)
{
    if (state->finished || (state->filter && *state->filter != type))
        return;
    state->buffer.push_back(type);
    scheduleResume(state);
}

} // namespace KeyboardShortcuts
