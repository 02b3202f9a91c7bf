#include "support/CNotificationQueue.h"

CNotificationQueue& CNotificationQueue::Instance() {
    static CNotificationQueue queue;
    return queue;
}

void CNotificationQueue::SetAppThread() {
    std::lock_guard guard(m_mutex);
    m_appThread = std::this_thread::get_id();
    m_hasAppThread = true;
}

void CNotificationQueue::ClearAppThread() {
    std::lock_guard guard(m_mutex);
    m_hasAppThread = false;
}

bool CNotificationQueue::OnAppThread() const {
    std::lock_guard guard(m_mutex);
    return !m_hasAppThread || m_appThread == std::this_thread::get_id();
}

void CNotificationQueue::SetWakeCallback(std::function<void()> wake) {
    std::lock_guard guard(m_mutex);
    m_wake = std::move(wake);
}

void CNotificationQueue::Post(const std::shared_ptr<Observable::Token>& token, int message,
                              void* parameter) {
    std::function<void()> wake;
    {
        std::lock_guard guard(m_mutex);
        m_pending.push_back({token, message, parameter});
        wake = m_wake;
    }
    if (wake)
        wake();
}

int CNotificationQueue::DeliverQueuedNotifications() {
    std::deque<Pending> batch;
    {
        std::lock_guard guard(m_mutex);
        batch.swap(m_pending);
    }
    int delivered = 0;
    for (const Pending& pending : batch) {
        const auto token = pending.token.lock();
        if (!token || !token->observable)
            continue;
        token->observable->DeliverNow(pending.message, pending.parameter);
        ++delivered;
    }
    return delivered;
}

int CNotificationQueue::PendingCount() const {
    std::lock_guard guard(m_mutex);
    return static_cast<int>(m_pending.size());
}
