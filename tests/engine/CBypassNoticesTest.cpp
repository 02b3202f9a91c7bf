#include "engine/CBypassNotices.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

TEST(CBypassNotices, CarriesNamesToTheTakerOnce) {
    CBypassNotices& notices = CBypassNotices::Instance();
    notices.Take();
    std::thread audio([&notices] { notices.Post("Simple amplifier"); });
    audio.join();
    const std::vector<std::string> names = notices.Take();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "Simple amplifier");
    EXPECT_TRUE(notices.Take().empty());
}

TEST(CBypassNotices, LongNamesAreCutAndAFullMailboxCountsWhatItDrops) {
    CBypassNotices& notices = CBypassNotices::Instance();
    notices.Take();
    const std::string longName(300, 'x');
    notices.Post(longName.c_str());
    const int droppedBefore = notices.Dropped();
    for (size_t i = 1; i < CBypassNotices::kSlots + 3; ++i)
        notices.Post("another");
    EXPECT_EQ(notices.Dropped(), droppedBefore + 3);
    const std::vector<std::string> names = notices.Take();
    ASSERT_EQ(names.size(), CBypassNotices::kSlots);
    EXPECT_EQ(names[0], std::string(CBypassNotices::kMaxNameBytes, 'x'));
    notices.Post(nullptr);
    EXPECT_EQ(notices.Take(), std::vector<std::string>{""});
}
