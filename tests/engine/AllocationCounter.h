#pragma once

// Counts every malloc and free (C and C++) made on the calling thread while a
// counter lives, through the address sanitizer's allocation hooks. Only the
// sanitizer build can count; LOOMTONE_CAN_COUNT_ALLOCATIONS says whether it can.

#if defined(__SANITIZE_ADDRESS__)

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>

// Declared here: not every compiler ships the sanitizer's interface header.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*,
                                                                              size_t),
                                                         void (*onRelease)(const volatile void*));
#define LOOMTONE_CAN_COUNT_ALLOCATIONS 1

class AllocationCounter {
public:
    AllocationCounter() {
        static const bool installed =
            __sanitizer_install_malloc_and_free_hooks(OnAllocation, OnRelease) != 0;
        EXPECT_TRUE(installed);
        m_start = s_calls.load();
        t_counting = true;
    }
    ~AllocationCounter() { t_counting = false; }
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    int Count() const { return s_calls.load() - m_start; }

private:
    static void OnAllocation(const volatile void*, size_t) {
        if (t_counting)
            s_calls.fetch_add(1);
    }
    static void OnRelease(const volatile void* pointer) {
        if (t_counting && pointer)
            s_calls.fetch_add(1);
    }

    static inline thread_local bool t_counting = false;
    static inline std::atomic<int> s_calls{0};
    int m_start = 0;
};

#endif
