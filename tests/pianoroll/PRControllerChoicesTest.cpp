#include "pianoroll/PRControllerChoices.h"

#include "engine/CMidiSound.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct SoundHolder {
    CMidiSound* sound = new CMidiSound;
    ~SoundHolder() { CAudioAtom::DeleteAtom(sound); }
};

const PRControllerChoice* Find(const PRControllerChoices& choices, const PRControllerLane& lane) {
    for (const PRControllerChoice& entry : choices.Entries())
        if (!entry.separator && entry.lane == lane)
            return &entry;
    return nullptr;
}

TEST(PRControllerChoicesTest, ListsVelocitiesEventKindsNamedAndUsedControllers) {
    SoundHolder holder;
    holder.sound->AddController(3, 64, 0.0, 0); // unnamed, but used
    holder.sound->AddController(CMidiControllerList::kPitchBend, 9000, 0.0, 0);
    const PRControllerChoices choices(holder.sound);
    const auto& entries = choices.Entries();
    ASSERT_GT(entries.size(), 6u);
    EXPECT_EQ(entries[0].text, MyLoadString("MIDCTRLVelocityOn"));
    EXPECT_EQ(entries[1].lane.Type(), PRLaneType::kReleaseVelocity);
    EXPECT_EQ(entries[4].lane.Controller(), CMidiControllerList::kPitchBend);
    EXPECT_TRUE(entries[4].hasEvents);
    EXPECT_FALSE(entries[3].hasEvents);
    EXPECT_TRUE(entries[5].separator);

    const PRControllerChoice* volume =
        Find(choices, PRControllerLane(PRLaneType::kController, PRControllerLane::kVolume));
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->text, "(7) " + MyLoadString("MIDCTRL7"));
    const PRControllerChoice* used = Find(choices, PRControllerLane(PRLaneType::kController, 3));
    ASSERT_NE(used, nullptr);
    EXPECT_TRUE(used->hasEvents);
    EXPECT_EQ(used->text.rfind("(3)", 0), 0u);
    // An unnamed controller the sound does not use is left out.
    if (!HasLocalizedString("MIDCTRL9")) {
        EXPECT_EQ(Find(choices, PRControllerLane(PRLaneType::kController, 9)), nullptr);
    }
}

TEST(PRControllerChoicesTest, TypedTextChoosesByNumberOrByEntry) {
    const PRControllerChoices choices(nullptr);
    PRControllerLane lane;
    ASSERT_TRUE(choices.Parse("cc 64 please", lane));
    EXPECT_EQ(lane, PRControllerLane(PRLaneType::kController, PRControllerLane::kSustain));
    ASSERT_TRUE(choices.Parse(MyLoadString("MIDCTRLVelocityOff"), lane));
    EXPECT_EQ(lane.Type(), PRLaneType::kReleaseVelocity);
    ASSERT_TRUE(choices.Parse(MyLoadString("MIDCTRL131"), lane));
    EXPECT_TRUE(lane.IsPitchBend());
    EXPECT_FALSE(choices.Parse("no such thing", lane));
    EXPECT_TRUE(lane.IsPitchBend()); // unchanged
    // 131 typed as a number is not a MIDI controller: it reads as a name and fails.
    EXPECT_FALSE(choices.Parse("131", lane));
    EXPECT_EQ(choices.TextOf(PRControllerLane(PRLaneType::kController, 10)),
              "(10) " + MyLoadString("MIDCTRL10"));
}

} // namespace
