#pragma once

#include <atomic>

// Asks an operation on a unit to stop at its next point where stopping is
// safe. Set by the Abort button, or by a signal handler in the console
// program: setting it is lock-free and safe inside a handler.
class CancelToken
{
public:
    void cancel() noexcept { m_cancelled.store(true, std::memory_order_relaxed); }
    void clear() noexcept { m_cancelled.store(false, std::memory_order_relaxed); }
    bool cancelled() const noexcept { return m_cancelled.load(std::memory_order_relaxed); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::atomic<bool> m_cancelled{false};
};
