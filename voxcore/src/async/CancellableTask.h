#pragma once

#include <functional>

// Handle of a task that consumes something asynchronously (main thread only). Cancelling
// runs the hook that makes the task's pending wait end; the task checks isCancelled() after
// every wait and then leaves without touching anything else.
class CancellableTask
{
public:
    explicit CancellableTask(std::function<void()> onCancel) : m_onCancel(std::move(onCancel)) {}

    bool isCancelled() const { return m_cancelled; }
    void cancel()
    {
        if (m_cancelled)
            return;
        m_cancelled = true;
        if (auto hook = std::exchange(m_onCancel, nullptr))
            hook();
    }

private:
    bool m_cancelled = false;
    std::function<void()> m_onCancel;
};
