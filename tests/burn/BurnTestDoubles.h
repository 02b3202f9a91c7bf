#pragma once

// What the burn tests share: a tone in the mixer, and a CD writer that burns
// every job at once.

#include "SoundFixtures.h"
#include "burn/CDiscBurner.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using SoundPtr = SoundFixtures::AtomPtr<CPCMSound>;

// A stereo 440 Hz tone from 0 on engine track 0.
inline SoundPtr AddTone(CPCMMixer& mixer, double seconds) {
    SoundPtr sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(SoundFixtures::SineData(seconds, 440.0, 2, 0.4)));
    sound->SetTrackNumber(0);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    mixer.Unlock();
    return sound;
}

// A writer with the given writers and disc that takes every job and finishes
// it well at once, keeping what it got.
class ScriptedBurner : public CDiscBurner {
public:
    std::vector<Writer> Writers() override { return writers; }
    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
    void Close() override {}
    std::vector<int> Speeds() override { return {4, 8, 16}; }
    DiscState Disc() override { return disc; }
    int32_t CapacityMs() override { return 0; }
    bool Start(const Job& job) override {
        started = job;
        for (const BurnTrack& track : job.tracks)
            filesPresent = filesPresent && std::filesystem::exists(track.wavPath);
        return true;
    }
    bool IsBurning() override { return false; }
    double Progress() override { return 1.0; }
    void Cancel() override {}
    bool Succeeded() override { return true; }
    std::string LastError() override { return ""; }

    std::vector<Writer> writers{{"/dev/sr0", "ACME Burner"}};
    DiscState disc = DiscState::Blank;
    std::vector<std::string> opened;
    Job started;
    // Whether every track's file was there when the burn started.
    bool filesPresent = true;
};
