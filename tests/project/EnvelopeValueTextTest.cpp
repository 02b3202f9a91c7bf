#include "project/EnvelopeValueText.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class EnvelopeValueTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_before = GetStringFile();
        ASSERT_TRUE(SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini"));
    }
    void TearDown() override { SetStringFile(m_before); }
    std::string m_before;
};

TEST_F(EnvelopeValueTextTest, VolumeReadsInPercentOrDecibels) {
    EXPECT_EQ(EnvelopeValueText::Format(0, 1.0, false), "100%");
    EXPECT_EQ(EnvelopeValueText::Format(0, 0.257, false), "25%");
    EXPECT_EQ(EnvelopeValueText::Format(0, 0.0, true), "-inf");
    EXPECT_EQ(EnvelopeValueText::Format(0, 1.0, true), "+0.0 dB");
    EXPECT_EQ(EnvelopeValueText::Format(0, 2.0, true), "+6.0 dB");
    EXPECT_EQ(EnvelopeValueText::Format(0, 0.5, true), "-6.0 dB");
    // Just under unity still rounds to no cut, without a minus sign.
    EXPECT_EQ(EnvelopeValueText::Format(0, 0.9999, true), "+0.0 dB");
}

TEST_F(EnvelopeValueTextTest, PanNamesItsSide) {
    EXPECT_EQ(EnvelopeValueText::Format(1, 0.0, false), "Center");
    EXPECT_EQ(EnvelopeValueText::Format(1, -0.5, false), "Left 50%");
    EXPECT_EQ(EnvelopeValueText::Format(1, 1.0, true), "Right 100%");
}

TEST_F(EnvelopeValueTextTest, FiltersShowTheirWholeNumber) {
    EXPECT_EQ(EnvelopeValueText::Format(2, 1234.9, false), "1234");
    EXPECT_EQ(EnvelopeValueText::Format(5, 0.7, true), "0");
}

TEST_F(EnvelopeValueTextTest, TheEntryReadsDecibelsOrPercent) {
    double value = -1.0;
    ASSERT_TRUE(EnvelopeValueText::ParseEntry(0, "-6", true, 0.0, 2.0, value));
    EXPECT_NEAR(value, 0.501, 0.001);
    ASSERT_TRUE(EnvelopeValueText::ParseEntry(0, " -inf ", true, 0.0, 2.0, value));
    EXPECT_EQ(value, 0.0);
    ASSERT_TRUE(EnvelopeValueText::ParseEntry(0, "+40", true, 0.0, 2.0, value));
    EXPECT_EQ(value, 2.0);
    ASSERT_TRUE(EnvelopeValueText::ParseEntry(0, "50", false, 0.0, 2.0, value));
    EXPECT_EQ(value, 0.5);
    ASSERT_TRUE(EnvelopeValueText::ParseEntry(1, "-150", false, -1.0, 1.0, value));
    EXPECT_EQ(value, -1.0);
    value = 0.25;
    EXPECT_FALSE(EnvelopeValueText::ParseEntry(0, "loud", true, 0.0, 2.0, value));
    EXPECT_FALSE(EnvelopeValueText::ParseEntry(0, "", false, 0.0, 2.0, value));
    EXPECT_FALSE(EnvelopeValueText::ParseEntry(0, "1e999", false, 0.0, 2.0, value));
    EXPECT_FALSE(EnvelopeValueText::ParseEntry(0, "-inf", false, 0.0, 2.0, value));
    EXPECT_EQ(value, 0.25);

    EXPECT_EQ(EnvelopeValueText::EntryText(0, 0.5, false), "50.00");
    EXPECT_EQ(EnvelopeValueText::EntryText(0, 0.0, true), "-inf");
    EXPECT_EQ(EnvelopeValueText::EntryText(0, 2.0, true), "+6.0");
    EXPECT_EQ(EnvelopeValueText::EntryText(1, -0.25, true), "-25.00");
}

} // namespace
