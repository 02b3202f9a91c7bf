#include "engine/CDeviceCallbackTimes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// 128 frames at 44.1 kHz play for 2,902 us: half of that is the budget.
constexpr int kFrames = 128;
constexpr microseconds kPeriod{2902};

TEST(CDeviceCallbackTimes, CallbacksOverHalfTheirPeriodAreToldApartByTheirOwnWork) {
    CDeviceCallbackTimes times;
    times.Add(microseconds(1000), microseconds(1000), kPeriod); // within
    times.Add(microseconds(1452), microseconds(1452), kPeriod); // just over, busy
    times.Add(microseconds(9000), microseconds(200), kPeriod);  // held off the processor
    times.Add(microseconds(1451), microseconds(1451), kPeriod); // exactly half: within
    EXPECT_EQ(times.Count(), 4);
    EXPECT_EQ(times.OverHalfPeriod(), 2);
    EXPECT_EQ(times.WorkOverHalfPeriod(), 1);
    EXPECT_DOUBLE_EQ(times.WorstMicroseconds(), 9000.0);
    EXPECT_DOUBLE_EQ(times.WorstWorkMicroseconds(), 1452.0);
    EXPECT_DOUBLE_EQ(times.AverageMicroseconds(), (1000.0 + 1452 + 9000 + 1451) / 4);

    times.Reset();
    EXPECT_EQ(times.Count(), 0);
    EXPECT_EQ(times.OverHalfPeriod(), 0);
    EXPECT_EQ(times.WorkOverHalfPeriod(), 0);
    EXPECT_EQ(times.WorstWorkMicroseconds(), 0.0);
    EXPECT_EQ(times.AverageMicroseconds(), 0.0);
}

TEST(CDeviceCallbackTimes, TheStopwatchCountsASleepOnTheClockOnlyAndASpinInBoth) {
    CDeviceCallbackTimes times;
    {
        CCallbackStopwatch watch(times, kFrames);
        std::this_thread::sleep_for(milliseconds(5));
    }
    EXPECT_EQ(times.OverHalfPeriod(), 1);
    EXPECT_EQ(times.WorkOverHalfPeriod(), 0);
    EXPECT_GE(times.WorstMicroseconds(), 5000.0);
    EXPECT_LT(times.WorstWorkMicroseconds(), 1451.0);
    {
        CCallbackStopwatch watch(times, kFrames);
        const auto start = CCallbackStopwatch::ThreadTime();
        while (CCallbackStopwatch::ThreadTime() - start < milliseconds(3)) {
        }
    }
    EXPECT_EQ(times.OverHalfPeriod(), 2);
    EXPECT_EQ(times.WorkOverHalfPeriod(), 1);
    EXPECT_GE(times.WorstWorkMicroseconds(), 3000.0);
    // A longer block has a longer budget.
    {
        CCallbackStopwatch watch(times, 44100);
        const auto start = CCallbackStopwatch::ThreadTime();
        while (CCallbackStopwatch::ThreadTime() - start < milliseconds(3)) {
        }
    }
    EXPECT_EQ(times.OverHalfPeriod(), 2);
}

} // namespace
