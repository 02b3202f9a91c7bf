#include "pianoroll/PRMixerPreview.h"

#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGestures.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kBlock = 512;

// The note area's previews, played through the mixer.
struct MixerListener : PRNoteAreaListener {
    explicit MixerListener(PRMixerPreview& p) : preview(p) {}
    void PreviewNoteOn(int pitch, int velocity, int channel) override {
        preview.NoteOn(pitch, velocity, channel);
    }
    void PreviewNoteOff(int, int) override { preview.NoteOff(); }
    PRMixerPreview& preview;
};

class PRMixerPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (CGMInstrument::FindSoundFont("").empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        CPCMMixer& mixer = doc.mixer;
        mixer.AddTrack();
        mixer.AddTrack();
        auto made = std::make_unique<CGMInstrument>();
        instrument = made.get();
        ASSERT_TRUE(mixer.GetTrack(1)->GetInstrumentChain()->Insert(std::move(made), -1));
        Mix(1); // the instrument goes live
    }
    // The loudest sample of the blocks mixed, paced like a device.
    float Mix(int blocks) {
        std::vector<float> block(2 * kBlock);
        float peak = 0.0f;
        for (int index = 0; index < blocks; ++index) {
            for (int tries = 0; tries < 2000 && instrument->LiveFramesReady() < kBlock; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            doc.mixer.Mix(block.data(), kBlock);
            for (float sample : block)
                peak = std::max(peak, std::fabs(sample));
        }
        return peak;
    }

    FakeClipDocument doc;
    CGMInstrument* instrument = nullptr;
};

TEST_F(PRMixerPreviewTest, ANoteBeingDrawnIsHeardOnTheTracksInstrument) {
    auto* sound = new CMidiSound;
    sound->SetMediaLength(2000.0);
    sound->SetVirtualLength(2000.0);
    auto* clip = new CMIDIClip(doc, sound);
    {
        PRMixerPreview preview(doc.mixer, 1);
        MixerListener listener(preview);
        PRNoteEdits edits(*clip, doc.undo);
        PRNoteGestures gestures(edits, listener);
        EXPECT_EQ(Mix(8), 0.0f);
        const int y = PRNoteGeometry::RowTop(60) + 5;
        gestures.Press(30, y, 0);
        EXPECT_EQ(preview.SoundingPitch(), 60);
        EXPECT_GT(Mix(40), 0.01f);
        gestures.Release(30, y, 0);
        EXPECT_EQ(preview.SoundingPitch(), -1);
        Mix(static_cast<int>(3.0 * 44100 / kBlock));
        EXPECT_LT(Mix(2), 1e-4f);
        EXPECT_EQ(edits.Notes().size(), 1u);
    }
    clip->DeleteRefObject();
}

TEST_F(PRMixerPreviewTest, ATrackWithoutAnInstrumentRefusesThePreview) {
    PRMixerPreview preview(doc.mixer, 0);
    EXPECT_FALSE(preview.NoteOn(60, 100, 0));
    EXPECT_EQ(preview.SoundingPitch(), -1);
}

} // namespace
