#pragma once

#include <mutex>

// A recursive mutual-exclusion lock. The same thread may take it again while
// holding it; every Lock needs its Unlock. Also usable with std::lock_guard and
// std::unique_lock (lock / unlock / try_lock).
class CLock {
public:
    CLock() = default;
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    // Never waits: true when the lock was taken. The audio thread uses this.
    bool TryLock() { return m_mutex.try_lock(); }

    void lock() { Lock(); }
    void unlock() { Unlock(); }
    bool try_lock() { return TryLock(); }

private:
    std::recursive_mutex m_mutex;
};
