#include "pianoroll/PRPlayLine.h"

#include <gtest/gtest.h>

namespace {

// A clip at 1000 ms playing 4000 ms of a sound looping 0..2000.
PRPlayLine::ClipTiming LoopingClip() {
    PRPlayLine::ClipTiming clip;
    clip.startMs = 1000.0;
    clip.lengthMs = 4000.0;
    clip.loopStartMs = 0.0;
    clip.loopEndMs = 2000.0;
    return clip;
}

TEST(PRPlayLineTest, FollowsThePlayPositionThroughTheLoop) {
    const PRPlayLine::ClipTiming clip = LoopingClip();
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 1000.0), 0);
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 1500.5), 500);
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 2999.0), 1999);
    // The second pass of the loop.
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 3250.0), 250);
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 4250.0), 1250);
}

TEST(PRPlayLineTest, RestsAtTheLoopEdgesOutsideTheClip) {
    const PRPlayLine::ClipTiming clip = LoopingClip();
    // Before the clip: the loop start; past its end: the loop end.
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 200.0), 0);
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 9000.0), 2000);
    // With a working copy the line keeps wrapping past the end.
    PRPlayLine::ClipTiming editing = clip;
    editing.hasEditCopy = true;
    EXPECT_EQ(PRPlayLine::SoundMsAt(editing, 9000.0), 0);
}

TEST(PRPlayLineTest, OffsetAndRateMoveTheLine) {
    PRPlayLine::ClipTiming clip = LoopingClip();
    clip.offsetMs = 500.0;
    clip.loopStartMs = 500.0;
    clip.loopEndMs = 1500.0;
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 1000.0), 500);
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 1700.0), 1200);
    // Past the loop end it comes round to the loop start.
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 2200.0), 700);
    clip.soundMsPerMs = 0.5;
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 2000.0), 1000);
}

TEST(PRPlayLineTest, AnEmptyLoopOrAFarOffsetNeverHangsOrGoesNegative) {
    PRPlayLine::ClipTiming clip = LoopingClip();
    clip.loopEndMs = clip.loopStartMs;
    EXPECT_EQ(PRPlayLine::SoundMsAt(clip, 1300.0), 300);
    clip = LoopingClip();
    clip.loopEndMs = 1.0;
    clip.offsetMs = 1.0e12;
    EXPECT_LE(PRPlayLine::SoundMsAt(clip, 1500.0), 1);
    EXPECT_GE(PRPlayLine::SoundMsAt(clip, 1500.0), 0);
}

} // namespace
