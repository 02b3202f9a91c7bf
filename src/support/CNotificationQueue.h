#pragma once

#include "support/Observable.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Carries notifications sent on other threads (playback, recording,
// rendering, background scans) over to the application thread, the one that
// runs the GUI and the document. Until SetAppThread is called every thread
// counts as the application thread, so notifications go out at once.
class CNotificationQueue {
public:
    static CNotificationQueue& Instance();

    // Records the calling thread as the application thread.
    void SetAppThread();
    // Forgets the application thread: every notification goes out at once again.
    void ClearAppThread();
    bool OnAppThread() const;

    // Called (on the sending thread) whenever a notification is queued, so
    // that the application's loop can wake up and deliver it.
    void SetWakeCallback(std::function<void()> wake);

    // Queues a notification of the observable for the application thread.
    void Post(const std::shared_ptr<Observable::Token>& token, int message, void* parameter);

    // Delivers, in order, everything queued so far; notifications queued by
    // the observers meanwhile wait for the next call. Call on the application
    // thread. Returns how many were delivered (dropped ones not counted).
    int DeliverQueuedNotifications();
    int PendingCount() const;

private:
    CNotificationQueue() = default;

    struct Pending {
        std::weak_ptr<Observable::Token> token;
        int message;
        void* parameter;
    };

    mutable std::mutex m_mutex;
    std::deque<Pending> m_pending;
    std::thread::id m_appThread;
    bool m_hasAppThread = false;
    std::function<void()> m_wake;
};
