#include "support/CLock.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

bool TryLockFromOtherThread(CLock& lock) {
    bool taken = false;
    std::thread([&] {
        taken = lock.TryLock();
        if (taken)
            lock.Unlock();
    }).join();
    return taken;
}

TEST(CLock, SameThreadMayTakeItAgainOthersMayNot) {
    CLock lock;
    lock.Lock();
    EXPECT_TRUE(lock.TryLock());
    EXPECT_FALSE(TryLockFromOtherThread(lock));
    lock.Unlock();
    EXPECT_FALSE(TryLockFromOtherThread(lock)); // still held once
    lock.Unlock();
    EXPECT_TRUE(TryLockFromOtherThread(lock));
}

TEST(CLock, GuardsCountersAcrossThreadsWithStandardGuards) {
    CLock lock;
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < 10000; ++i) {
            std::lock_guard guard(lock);
            std::unique_lock nested(lock);
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 20000);
    EXPECT_TRUE(TryLockFromOtherThread(lock));
}

} // namespace
