#include "engine/CSharedSoundFont.h"

#include "engine/CGMInstrument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#define SKIP_WITHOUT_SOUNDFONT()                                                                   \
    if (CGMInstrument::FindSoundFont("").empty())                                                  \
    GTEST_SKIP() << "no General MIDI SoundFont under /usr/share/sounds/sf2/"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kBlocks = 60;

using Buffer = std::vector<float>; // interleaved stereo

std::unique_ptr<CGMInstrument> MakeInstrument(const std::string& preset) {
    auto instrument = std::make_unique<CGMInstrument>();
    EXPECT_TRUE(instrument->Prepare(kRate, kBlock));
    EXPECT_TRUE(instrument->HasSoundFont());
    instrument->LoadPreset(preset);
    return instrument;
}

// A few chords with program changes between them: voices start and end,
// channels change presets (everything that moves the font's counts).
EffectMidiEvent EventOfBlock(int block, int voice) {
    const auto pitch = static_cast<uint8_t>(48 + (block * 7 + voice * 5) % 36);
    if (block % 10 == 9)
        return {0, 0xC0, static_cast<uint8_t>((block + voice * 11) % 128), 0};
    if (block % 2 == 0)
        return {voice * 37 % kBlock, 0x90, pitch, 100};
    return {voice * 53 % kBlock, 0x80,
            static_cast<uint8_t>(48 + ((block - 1) * 7 + voice * 5) % 36), 0};
}

// Plays the same events offline, block by block, as a render does.
Buffer RenderOffline(CGMInstrument& instrument, int voice) {
    Buffer out(static_cast<size_t>(kBlock) * kBlocks * 2, 0.0f);
    for (int block = 0; block < kBlocks; ++block) {
        instrument.HandleMidiEvent(EventOfBlock(block, voice));
        instrument.Process(out.data() + static_cast<size_t>(block) * kBlock * 2, kBlock);
    }
    return out;
}

// Plays them live: the worker renders ahead while this thread takes blocks.
float PlayLive(CGMInstrument& instrument, int voice) {
    Buffer out(static_cast<size_t>(kBlock) * 2, 0.0f);
    float loudest = 0.0f;
    for (int block = 0; block < kBlocks; ++block) {
        std::fill(out.begin(), out.end(), 0.0f);
        instrument.SetLive(true, LivePlace{});
        instrument.HandleMidiEvent(EventOfBlock(block, voice));
        // The first block starts the worker: there is nothing to wait for in it.
        for (int tries = 0; block > 0 && tries < 2000 && instrument.LiveFramesReady() < kBlock;
             ++tries)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        instrument.Process(out.data(), kBlock);
        for (float sample : out)
            loudest = std::max(loudest, std::abs(sample));
    }
    instrument.SetLive(false, LivePlace{});
    return loudest;
}

} // namespace

TEST(CSharedSoundFont, InstrumentsOnOneFileShareOneLoadedFontUntilTheLastGoes) {
    SKIP_WITHOUT_SOUNDFONT();
    const int before = CSharedSoundFont::LoadedCount();
    std::vector<std::unique_ptr<CGMInstrument>> instruments;
    for (int i = 0; i < 5; ++i)
        instruments.push_back(MakeInstrument("0:" + std::to_string(i)));
    EXPECT_EQ(CSharedSoundFont::LoadedCount(), before + 1);
    for (const auto& instrument : instruments)
        EXPECT_EQ(instrument->GetSoundFontPath(), instruments.front()->GetSoundFontPath());
    instruments.erase(instruments.begin(), instruments.begin() + 4);
    EXPECT_EQ(CSharedSoundFont::LoadedCount(), before + 1);
    instruments.clear();
    EXPECT_EQ(CSharedSoundFont::LoadedCount(), before);
}

TEST(CSharedSoundFont, TwoNamesOfOneFileFindTheSameFont) {
    SKIP_WITHOUT_SOUNDFONT();
    const std::string path = CGMInstrument::FindSoundFont("");
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string name = path.substr(path.rfind('/'));
    auto first = CSharedSoundFont::Acquire(path);
    auto second = CSharedSoundFont::Acquire(folder + "/." + name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(CSharedSoundFont::Acquire(folder + "/no-such-font.sf2"), nullptr);
}

// Instruments sharing the font play on their own threads at once, some live
// (on their workers), some offline; each offline one must sound exactly as
// it does alone, and the font must be freed at the end (a count left wrong
// would keep it: the leak checker reports that).
TEST(CSharedSoundFont, InstrumentsOnManyThreadsSoundAsTheyDoAlone) {
    SKIP_WITHOUT_SOUNDFONT();
    constexpr int kOffline = 3;
    constexpr int kLive = 3;
    std::vector<Buffer> alone;
    for (int voice = 0; voice < kOffline; ++voice) {
        auto instrument = MakeInstrument("0:" + std::to_string(voice * 20));
        alone.push_back(RenderOffline(*instrument, voice));
    }
    const int before = CSharedSoundFont::LoadedCount();
    std::vector<std::unique_ptr<CGMInstrument>> instruments;
    for (int voice = 0; voice < kOffline + kLive; ++voice)
        instruments.push_back(MakeInstrument("0:" + std::to_string(voice * 20)));
    std::vector<Buffer> together(kOffline);
    std::vector<float> liveLoudest(kLive, 0.0f);
    std::vector<std::thread> threads;
    for (int voice = 0; voice < kOffline; ++voice)
        threads.emplace_back(
            [&, voice] { together[voice] = RenderOffline(*instruments[voice], voice); });
    for (int voice = 0; voice < kLive; ++voice)
        threads.emplace_back([&, voice] {
            liveLoudest[voice] = PlayLive(*instruments[kOffline + voice], kOffline + voice);
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int voice = 0; voice < kOffline; ++voice)
        EXPECT_EQ(together[voice], alone[voice]) << "instrument " << voice;
    for (int voice = 0; voice < kLive; ++voice)
        EXPECT_GT(liveLoudest[voice], 0.001f) << "live instrument " << voice;
    instruments.clear();
    EXPECT_EQ(CSharedSoundFont::LoadedCount(), before);
}
