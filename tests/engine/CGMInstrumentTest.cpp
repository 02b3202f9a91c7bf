#include "engine/CGMInstrument.h"

#include "engine/AllocationCounter.h"
#include "engine/CMidiControllerList.h"
#include "engine/CMidiScheduler.h"
#include "engine/CMidiSound.h"
#include "engine/CSharedSoundFont.h"
#include "engine/EffectsFactory.h"
#include "engine/SoundFixtures.h"
#include "support/LogCapture.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#define SKIP_WITHOUT_SOUNDFONT()                                                                   \
    if (CGMInstrument::FindSoundFont("").empty())                                                  \
    GTEST_SKIP() << "no General MIDI SoundFont under /usr/share/sounds/sf2/ (install "             \
                    "timgm6mb-soundfont)"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

using Buffer = std::vector<float>; // interleaved stereo

using MidiSoundPtr = SoundFixtures::AtomPtr<CMidiSound>;

int FrameOf(double ms) {
    return static_cast<int>(std::llround(ms * kRate / 1000.0));
}

MidiSoundPtr MakeSound(double lengthMs) {
    MidiSoundPtr sound(new CMidiSound());
    sound->SetMediaLength(lengthMs);
    sound->SetVirtualLength(lengthMs);
    return sound;
}

void AddNote(CMidiSound& sound, double start, double end, int pitch, int channel = 0) {
    TMidiSndNoteData data;
    data.start = start;
    data.end = end;
    data.pitch = pitch;
    data.channel = channel;
    data.velocity = 100;
    ASSERT_NE(sound.AddMidiNote(data, nullptr), nullptr);
}

std::unique_ptr<CGMInstrument> MakeInstrument() {
    auto instrument = std::make_unique<CGMInstrument>();
    EXPECT_TRUE(instrument->Prepare(kRate, kBlock));
    EXPECT_TRUE(instrument->HasSoundFont());
    return instrument;
}

// Plays the sound through the instrument offline, block by block, as the
// mixer does.
Buffer Render(CMidiSound& sound, CGMInstrument& instrument, int frames, int block = kBlock) {
    CMidiScheduler scheduler;
    Buffer out(static_cast<size_t>(frames) * 2, 0.0f);
    for (int start = 0; start < frames; start += block) {
        const int count = std::min(block, frames - start);
        scheduler.ScheduleBlock(sound, start, count, kRate);
        for (int i = 0; i < scheduler.NumEvents(); ++i)
            instrument.HandleMidiEvent(scheduler.Events()[i]);
        instrument.Process(out.data() + 2 * start, count);
    }
    return out;
}

Buffer Render(CMidiSound& sound, int frames, int block = kBlock) {
    auto instrument = MakeInstrument();
    return Render(sound, *instrument, frames, block);
}

int FirstSound(const Buffer& buffer) {
    for (size_t i = 0; i < buffer.size(); ++i) {
        if (buffer[i] != 0.0f)
            return static_cast<int>(i / 2);
    }
    return -1;
}

double Rms(const Buffer& buffer, int fromFrame, int toFrame) {
    double sum = 0.0;
    for (int i = 2 * fromFrame; i < 2 * toFrame; ++i)
        sum += static_cast<double>(buffer[static_cast<size_t>(i)]) * buffer[static_cast<size_t>(i)];
    return std::sqrt(sum / std::max(1, 2 * (toFrame - fromFrame)));
}

float Peak(const Buffer& buffer, int fromFrame, int toFrame) {
    float peak = 0.0f;
    for (int i = 2 * fromFrame; i < 2 * toFrame; ++i)
        peak = std::max(peak, std::fabs(buffer[static_cast<size_t>(i)]));
    return peak;
}

// Strength of one frequency in the left channel (Goertzel).
double Magnitude(const Buffer& buffer, int fromFrame, int toFrame, double hz) {
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (int frame = fromFrame; frame < toFrame; ++frame) {
        const double current =
            buffer[2 * static_cast<size_t>(frame)] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return std::sqrt(previous * previous + beforePrevious * beforePrevious -
                     coefficient * previous * beforePrevious);
}

// The first eight harmonics' strengths, scaled to sum 1.
std::vector<double> HarmonicProfile(const Buffer& buffer, int fromFrame, int toFrame, double hz) {
    std::vector<double> profile;
    double total = 0.0;
    for (int harmonic = 1; harmonic <= 8; ++harmonic) {
        profile.push_back(Magnitude(buffer, fromFrame, toFrame, hz * harmonic));
        total += profile.back();
    }
    for (double& value : profile)
        value /= total;
    return profile;
}

double Distance(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::fabs(a[i] - b[i]);
    return sum;
}

// The fundamental in the left channel between 200 and 1000 Hz, by the lag of
// greatest autocorrelation, refined between neighbouring lags.
double Frequency(const Buffer& buffer, int fromFrame, int toFrame) {
    const int shortest = static_cast<int>(kRate / 1000.0);
    const int longest = static_cast<int>(kRate / 200.0);
    std::vector<double> correlation(static_cast<size_t>(longest + 2), 0.0);
    for (int lag = shortest - 1; lag <= longest + 1; ++lag) {
        double sum = 0.0;
        for (int frame = fromFrame; frame + lag < toFrame; ++frame)
            sum += static_cast<double>(buffer[2 * static_cast<size_t>(frame)]) *
                   buffer[2 * static_cast<size_t>(frame + lag)];
        correlation[static_cast<size_t>(lag)] = sum / (toFrame - fromFrame - lag);
    }
    int best = shortest;
    for (int lag = shortest; lag <= longest; ++lag) {
        if (correlation[static_cast<size_t>(lag)] > correlation[static_cast<size_t>(best)])
            best = lag;
    }
    const double left = correlation[static_cast<size_t>(best - 1)];
    const double middle = correlation[static_cast<size_t>(best)];
    const double right = correlation[static_cast<size_t>(best + 1)];
    const double shift = 0.5 * (left - right) / (left - 2.0 * middle + right);
    return kRate / (best + shift);
}

TEST(CGMInstrument, NoteStartsOnItsFrameAndNeverBefore) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr sound = MakeSound(2000);
    AddNote(*sound, 500, 1000, 60); // C4 quarter note
    const int noteFrame = FrameOf(500);
    for (int block : {512, 441, 1000, 64, 4096}) {
        const Buffer out = Render(*sound, FrameOf(1500), block);
        const int first = FirstSound(out);
        // The synthesizer starts voices on its 64-frame steps.
        EXPECT_GE(first, noteFrame) << "block " << block;
        EXPECT_LT(first, noteFrame + 64) << "block " << block;
        EXPECT_GT(Rms(out, noteFrame + 64, noteFrame + 4410), 1e-3) << "block " << block;
    }
}

TEST(CGMInstrument, NotesEndAfterTheirNoteOff) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr sound = MakeSound(6000);
    AddNote(*sound, 500, 1000, 60);
    const Buffer out = Render(*sound, FrameOf(6000));
    EXPECT_GT(Peak(out, FrameOf(500), FrameOf(1000)), 0.01f);
    EXPECT_LT(Peak(out, FrameOf(5000), FrameOf(6000)), 1e-4f);
}

TEST(CGMInstrument, ChannelTenPlaysDrumsThatDecayWithoutANoteOff) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr drum = MakeSound(10000);
    AddNote(*drum, 0, 10000, 38, 9); // acoustic snare, held past the render
    MidiSoundPtr melodic = MakeSound(10000);
    AddNote(*melodic, 0, 10000, 38, 0);
    const Buffer drumOut = Render(*drum, FrameOf(4000));
    const Buffer melodicOut = Render(*melodic, FrameOf(4000));

    const double drumAttack = Rms(drumOut, 0, FrameOf(200));
    const double melodicAttack = Rms(melodicOut, 0, FrameOf(200));
    ASSERT_GT(drumAttack, 1e-3);
    ASSERT_GT(melodicAttack, 1e-3);
    // The drum has died away while its note is still on; the piano holds
    // (the piano of FluidR3_GM, preferred when installed, is down to about
    // 5% of its attack by then; the drum far below 1%).
    EXPECT_LT(Rms(drumOut, FrameOf(3000), FrameOf(4000)), drumAttack * 0.01);
    EXPECT_GT(Rms(melodicOut, FrameOf(3000), FrameOf(4000)), melodicAttack * 0.02);
    // And they sound different from the start.
    EXPECT_GT(Distance(HarmonicProfile(drumOut, 0, FrameOf(200), 73.42),
                       HarmonicProfile(melodicOut, 0, FrameOf(200), 73.42)),
              0.2);
}

TEST(CGMInstrument, DrumKitPresetMakesEveryChannelPlayDrums) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr drum = MakeSound(2000);
    AddNote(*drum, 0, 500, 38, 9);
    MidiSoundPtr onFirstChannel = MakeSound(2000);
    AddNote(*onFirstChannel, 0, 500, 38, 0);
    auto kit = MakeInstrument();
    ASSERT_TRUE(kit->LoadPreset("128:0"));
    const Buffer expected = Render(*drum, FrameOf(1000));
    const Buffer actual = Render(*onFirstChannel, *kit, FrameOf(1000));
    ASSERT_GT(Peak(actual, 0, FrameOf(500)), 0.01f);
    float difference = 0.0f;
    for (size_t i = 0; i < actual.size(); ++i)
        difference = std::max(difference, std::fabs(actual[i] - expected[i]));
    EXPECT_LT(difference, 1e-6f);
}

TEST(CGMInstrument, ProgramChangeChangesTheTimbre) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr piano = MakeSound(2000);
    AddNote(*piano, 0, 1000, 69);
    MidiSoundPtr trumpet = MakeSound(2000);
    AddNote(*trumpet, 0, 1000, 69);
    trumpet->AddController(CMidiControllerList::kProgramChange, 56, 0, 0);
    const Buffer pianoOut = Render(*piano, FrameOf(1000));
    const Buffer trumpetOut = Render(*trumpet, FrameOf(1000));
    const int from = FrameOf(200);
    const int to = FrameOf(700);
    EXPECT_GT(Distance(HarmonicProfile(pianoOut, from, to, 440.0),
                       HarmonicProfile(trumpetOut, from, to, 440.0)),
              0.2);

    // The preset of the same program sounds the same as the program change.
    auto preset = MakeInstrument();
    ASSERT_TRUE(preset->LoadPreset("0:56"));
    const Buffer presetOut = Render(*piano, *preset, FrameOf(1000));
    EXPECT_LT(Distance(HarmonicProfile(presetOut, from, to, 440.0),
                       HarmonicProfile(trumpetOut, from, to, 440.0)),
              0.01);
}

TEST(CGMInstrument, PitchBendUpRaisesTheFrequency) {
    SKIP_WITHOUT_SOUNDFONT();
    auto organ = [](bool bent) {
        MidiSoundPtr sound = MakeSound(2000);
        AddNote(*sound, 0, 1500, 69);
        sound->AddController(CMidiControllerList::kProgramChange, 80, 0, 0); // square lead
        if (bent)
            sound->AddController(CMidiControllerList::kPitchBend, 16383, 0, 0);
        return Render(*sound, FrameOf(1500));
    };
    const double plain = Frequency(organ(false), FrameOf(500), FrameOf(1000));
    const double bent = Frequency(organ(true), FrameOf(500), FrameOf(1000));
    EXPECT_NEAR(plain, 440.0, 440.0 * 0.01);
    // Full bend up is two semitones with the General MIDI default range.
    EXPECT_NEAR(bent / plain, std::pow(2.0, 2.0 / 12.0), 0.01);
}

TEST(CGMInstrument, ResetSilencesAtOnce) {
    SKIP_WITHOUT_SOUNDFONT();
    auto instrument = MakeInstrument();
    Buffer out(2 * 4096, 0.0f);
    instrument->HandleMidiEvent({0, 0x90, 60, 100});
    instrument->Process(out.data(), 1000); // not a whole number of synthesizer steps
    ASSERT_GT(Peak(out, 0, 1000), 0.0f);
    instrument->Reset();
    std::fill(out.begin(), out.end(), 0.0f);
    instrument->Process(out.data(), 4096);
    EXPECT_EQ(Peak(out, 0, 4096), 0.0f);
}

TEST(CGMInstrument, EventsPastTheBlockHappenWithTheNextBlock) {
    SKIP_WITHOUT_SOUNDFONT();
    auto instrument = MakeInstrument();
    Buffer out(2 * 2048, 0.0f);
    instrument->HandleMidiEvent({5000, 0x90, 60, 100});
    instrument->Process(out.data(), 1024);
    EXPECT_EQ(Peak(out, 0, 1024), 0.0f);
    instrument->HandleMidiEvent({0, 0xB0, 7, 127});
    instrument->Process(out.data() + 2 * 1024, 1024);
    EXPECT_GT(Peak(out, 1024, 2048), 0.0f);
}

// Waits (a few seconds at most) until the worker has rendered a block ahead,
// as a device's period would let it.
bool WaitForWorker(const CGMInstrument& instrument, int frames) {
    for (int tries = 0; tries < 5000 && instrument.LiveFramesReady() < frames; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return instrument.LiveFramesReady() >= frames;
}

// One live block at timeline frame start, as the mixer plays it: the events
// of the block kLookAheadFrames later go with it. The worker starts on a new
// place (going live, a jump, a Reset) only once that block is played, so
// there is nothing to wait for in it.
void LiveBlock(CGMInstrument& instrument, CMidiScheduler& scheduler, CMidiSound& sound,
               int64_t start, Buffer& out, bool waitForWorker = true) {
    std::fill(out.begin(), out.end(), 0.0f);
    const int frames = static_cast<int>(out.size() / 2);
    instrument.SetLive(true, LivePlace{.timelineFrame = start});
    scheduler.ScheduleBlock(sound, start + CGMInstrument::kLookAheadFrames, frames, kRate);
    for (int i = 0; i < scheduler.NumEvents(); ++i)
        instrument.HandleMidiEvent(scheduler.Events()[i]);
    if (waitForWorker) {
        EXPECT_TRUE(WaitForWorker(instrument, frames));
    }
    instrument.Process(out.data(), frames);
}

Buffer RenderLive(CMidiSound& sound, int frames) {
    auto instrument = MakeInstrument();
    CMidiScheduler scheduler;
    Buffer out(static_cast<size_t>(frames) * 2, 0.0f);
    Buffer block(2 * kBlock);
    for (int start = 0; start + kBlock <= frames; start += kBlock) {
        LiveBlock(*instrument, scheduler, sound, start, block, start > 0);
        std::copy(block.begin(), block.end(), out.begin() + 2 * start);
    }
    EXPECT_EQ(instrument->LiveUnderrunFrames(), 0u);
    return out;
}

// Frames from a note's frame to the step that started it (the first sound
// less the voice's own delay, measured on a note at a step's start).
int Lateness(Buffer (*render)(CMidiSound&, int), int noteFrame, int onset) {
    MidiSoundPtr sound = MakeSound(2000);
    AddNote(*sound, noteFrame * 1000.0 / kRate, 1500, 60);
    return FirstSound(render(*sound, noteFrame + 4096)) - onset - noteFrame;
}

Buffer RenderDirect(CMidiSound& sound, int frames) {
    return Render(sound, frames);
}

TEST(CGMInstrument, EventsAreNeverEarlyAndAtMostAStepLateOfflineAndLive) {
    SKIP_WITHOUT_SOUNDFONT();
    for (auto render : {RenderDirect, RenderLive}) {
        const int onset = Lateness(render, 64 * 100, 0);
        ASSERT_GE(onset, 0);
        ASSERT_LT(onset, 8);
        for (int noteFrame : {64 * 100 + 1, 64 * 100 + 33, 64 * 101 - 1, 64 * 140 + 7}) {
            const int late = Lateness(render, noteFrame, onset);
            EXPECT_GE(late, 0) << noteFrame;
            EXPECT_LE(late, 63) << noteFrame;
        }
    }
}

TEST(CGMInstrument, LiveTransportJumpDropsWhatWasRenderedAhead) {
    SKIP_WITHOUT_SOUNDFONT();
    auto instrument = MakeInstrument();
    Buffer out(2 * kBlock, 0.0f);
    instrument->SetLive(true, LivePlace{});
    ASSERT_TRUE(instrument->MidiNoteOnNow(60, 100, 0));
    instrument->Process(out.data(), kBlock);
    ASSERT_TRUE(WaitForWorker(*instrument, kBlock));
    std::fill(out.begin(), out.end(), 0.0f);
    instrument->Process(out.data(), kBlock);
    ASSERT_TRUE(WaitForWorker(*instrument, kBlock));
    ASSERT_GT(Peak(out, 0, kBlock), 0.01f);
    // Never waits: the jump block is silent.
    instrument->SetLive(true, LivePlace{.transportJumped = true});
    std::fill(out.begin(), out.end(), 0.0f);
    instrument->Process(out.data(), kBlock);
    EXPECT_EQ(Peak(out, 0, kBlock), 0.0f);
    ASSERT_TRUE(WaitForWorker(*instrument, kBlock));
    std::fill(out.begin(), out.end(), 0.0f);
    instrument->Process(out.data(), kBlock);
    EXPECT_EQ(Peak(out, 0, kBlock), 0.0f); // the voice was stopped, not released
    // Offline again: the synthesizer comes back to the calling thread.
    instrument->SetLive(false, LivePlace{});
    instrument->HandleMidiEvent({0, 0x90, 64, 100});
    std::fill(out.begin(), out.end(), 0.0f);
    instrument->Process(out.data(), kBlock);
    EXPECT_GT(Peak(out, 0, kBlock), 0.0f);
}

// Plays the sound live from its start; with stalledBlocks, the worker is
// kept from starting (the test holds the font it renders under) while the
// audio thread plays that many blocks.
Buffer PlayLiveFromTheStart(CMidiSound& sound, int blocks, int stalledBlocks) {
    auto instrument = MakeInstrument();
    std::shared_ptr<CSharedSoundFont> font =
        CSharedSoundFont::Acquire(instrument->GetSoundFontPath());
    std::unique_lock<std::mutex> stall(font->Mutex(), std::defer_lock);
    if (stalledBlocks > 0)
        stall.lock();
    CMidiScheduler scheduler;
    Buffer out(static_cast<size_t>(blocks) * kBlock * 2, 0.0f);
    Buffer block(2 * kBlock);
    for (int index = 0; index < blocks; ++index) {
        if (index == stalledBlocks && stall.owns_lock())
            stall.unlock();
        LiveBlock(*instrument, scheduler, sound, int64_t{index} * kBlock, block,
                  index > 0 && !stall.owns_lock());
        std::copy(block.begin(), block.end(), out.begin() + 2 * index * kBlock);
    }
    return out;
}

// A worker that makes the flush of a start late (a loaded machine) leaves the
// first blocks silent, but the notes of the new place still start on their
// own frames: what follows is what a worker on time gives, sample for sample.
TEST(CGMInstrument, ALateStartKeepsTheNotesOnTheirFrames) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr sound = MakeSound(2000);
    AddNote(*sound, 5.0, 1500.0, 60);
    AddNote(*sound, 30.0, 1500.0, 64);
    constexpr int kBlocks = 16;
    constexpr int kStalled = 3;
    const Buffer onTime = PlayLiveFromTheStart(*sound, kBlocks, 0);
    const Buffer late = PlayLiveFromTheStart(*sound, kBlocks, kStalled);
    ASSERT_GT(Peak(onTime, 0, kStalled * kBlock), 0.01f);
    EXPECT_EQ(Peak(late, 0, kStalled * kBlock), 0.0f);
    const Buffer tail(late.begin() + 2 * kStalled * kBlock, late.end());
    EXPECT_EQ(tail, Buffer(onTime.begin() + 2 * kStalled * kBlock, onTime.end()));
}

// Plays the sound live from timeline frame `from` for `frames` frames, as the
// mixer does after a jump there: the first block also carries the events of
// the look-ahead frames before its own. That block is silent (the worker
// starts on the new place after it); each later one waits for the worker, as
// a device's period lets it.
Buffer PlayLiveAfterAJump(CGMInstrument& instrument, CMidiScheduler& scheduler, CMidiSound& sound,
                          int64_t from, int frames) {
    constexpr int kAhead = CGMInstrument::kLookAheadFrames;
    Buffer out(static_cast<size_t>(frames) * 2, 0.0f);
    Buffer block(2 * kBlock);
    for (int done = 0; done + kBlock <= frames; done += kBlock) {
        const int64_t start = from + done;
        const bool jump = done == 0;
        instrument.SetLive(true, LivePlace{.transportJumped = jump, .timelineFrame = start});
        const int64_t scheduleFrom = jump ? start : start + kAhead;
        const int count = jump ? kAhead + kBlock : kBlock;
        scheduler.ScheduleBlock(sound, scheduleFrom, count, kRate);
        for (int i = 0; i < scheduler.NumEvents(); ++i) {
            EffectMidiEvent event = scheduler.Events()[i];
            event.frameOffset -= jump ? kAhead : 0;
            instrument.HandleMidiEvent(event);
        }
        if (!jump) {
            EXPECT_TRUE(WaitForWorker(instrument, kBlock));
        }
        std::fill(block.begin(), block.end(), 0.0f);
        instrument.Process(block.data(), kBlock);
        std::copy(block.begin(), block.end(), out.begin() + 2 * done);
    }
    return out;
}

// The largest difference between the live frames after their first block
// and the render's frames from renderFrom on.
float LargestDifference(const Buffer& live, const Buffer& render, int64_t renderFrom) {
    float largest = 0.0f;
    for (size_t i = 2 * kBlock; i < live.size(); ++i)
        largest =
            std::max(largest, std::fabs(live[i] - render[static_cast<size_t>(renderFrom) * 2 + i]));
    return largest;
}

// The RMS of the difference between the live frames after their first block
// and the render's frames from renderFrom on, in dB below full scale.
double DifferenceDbfs(const Buffer& live, const Buffer& render, int64_t renderFrom) {
    double sum = 0.0;
    for (size_t i = 2 * kBlock; i < live.size(); ++i) {
        const double difference = live[i] - render[static_cast<size_t>(renderFrom) * 2 + i];
        sum += difference * difference;
    }
    const double mean = sum / static_cast<double>(live.size() - 2 * kBlock);
    return mean > 0.0 ? 10.0 * std::log10(mean) : -300.0;
}

// Notes of a few instruments from `from` on: on the frame itself, a few frames
// after it, on and off the 64-frame grid.
void AddNotesFrom(CMidiSound& sound, int64_t from) {
    const int offsets[] = {0, 3, 8, 9, 63, 64, 500, 1234, 4097, 9000, 15000};
    int pitch = 48;
    for (int offset : offsets) {
        const double start = static_cast<double>(from + offset) * 1000.0 / kRate;
        AddNote(sound, start, start + 150.0, pitch, pitch % 3 == 0 ? 9 : 0);
        pitch += 5;
    }
}

// A render runs the synthesizer from the song's start, so its notes start
// on timeline frames that are multiples of 64. A live start anywhere else
// keeps them there: a new instrument plays what the render plays, sample for
// sample.
TEST(CGMInstrument, ALiveStartAnywherePlaysTheNotesAsTheRenderDoes) {
    SKIP_WITHOUT_SOUNDFONT();
    constexpr int kFrames = 24 * kBlock;
    for (const int64_t from : {int64_t{88200}, int64_t{1000}, int64_t{12345}, int64_t{6400}}) {
        MidiSoundPtr sound = MakeSound(static_cast<double>(from + kFrames) * 1000.0 / kRate);
        AddNotesFrom(*sound, from);
        const Buffer render = Render(*sound, static_cast<int>(from) + kFrames);
        auto instrument = MakeInstrument();
        CMidiScheduler scheduler;
        const Buffer live = PlayLiveAfterAJump(*instrument, scheduler, *sound, from, kFrames);
        ASSERT_GT(Peak(live, 0, kFrames), 0.01f) << from;
        EXPECT_LE(LargestDifference(live, render, from), 1e-6f) << "from frame " << from;
        EXPECT_EQ(instrument->LiveUnderrunFrames(), 0u);
    }
}

// The same after a seek: the seek silences what the old place played, and
// the notes of the new place start where a render of them alone starts them,
// whatever frame the old place had reached.
TEST(CGMInstrument, AfterASeekTheNotesStartAsTheRenderStartsThem) {
    SKIP_WITHOUT_SOUNDFONT();
    constexpr int kFrames = 24 * kBlock;
    constexpr int64_t kFirst = 1000;
    constexpr int64_t kSeekTo = 3 * 44100 + 17;
    const double lengthMs = static_cast<double>(kSeekTo + kFrames) * 1000.0 / kRate;
    MidiSoundPtr sound = MakeSound(lengthMs);
    AddNotesFrom(*sound, kFirst);
    AddNotesFrom(*sound, kSeekTo);
    MidiSoundPtr newPlace = MakeSound(lengthMs);
    AddNotesFrom(*newPlace, kSeekTo);
    const Buffer render = Render(*newPlace, static_cast<int>(kSeekTo) + kFrames);
    auto instrument = MakeInstrument();
    CMidiScheduler scheduler;
    const Buffer before = PlayLiveAfterAJump(*instrument, scheduler, *sound, kFirst, 7 * kBlock);
    ASSERT_GT(Peak(before, kBlock, 7 * kBlock), 0.01f);
    const Buffer after = PlayLiveAfterAJump(*instrument, scheduler, *sound, kSeekTo, kFrames);
    ASSERT_GT(Peak(after, kBlock, kFrames), 0.01f);
    // Not sample for sample: a synthesizer whose voices have played before
    // starts some sounds a little differently (about -85 dBFS here, on notes
    // at -31 dBFS); notes a step off the render's frames give about -30.
    EXPECT_LT(DifferenceDbfs(after, render, kSeekTo), -80.0);
}

std::atomic<int> g_queueOverflows{0};

void CountQueueOverflows(int, const char* message, void*) {
    if (std::strstr(message, "Ringbuffer full"))
        ++g_queueOverflows;
}

// An instrument starts with few voices. A burst of notes at one frame grows
// them before any note is stolen, and none is lost on the way: FluidSynth
// warns when its queue of voice changes, sized from the voices it started
// with, overflows.
TEST(CGMInstrument, ABurstOfNotesGrowsTheVoicesAndLosesNone) {
    SKIP_WITHOUT_SOUNDFONT();
    for (const bool live : {false, true}) {
        auto instrument = MakeInstrument();
        EXPECT_LE(instrument->Voices(), 64);
        g_queueOverflows = 0;
        fluid_set_log_function(FLUID_WARN, CountQueueOverflows, nullptr);
        instrument->SetLive(live, LivePlace{});
        for (int note = 0; note < 160; ++note) {
            const int channel = note % 16 == 9 ? 0 : note % 16;
            instrument->HandleMidiEvent({0, static_cast<uint8_t>(0x90 | channel),
                                         static_cast<uint8_t>(24 + note / 2), 100});
        }
        Buffer out(2 * kBlock, 0.0f);
        float loudest = 0.0f;
        for (int block = 0; block < 4; ++block) {
            if (live && block > 0) {
                EXPECT_TRUE(WaitForWorker(*instrument, kBlock));
            }
            std::fill(out.begin(), out.end(), 0.0f);
            instrument->Process(out.data(), kBlock);
            loudest = std::max(loudest, Peak(out, 0, kBlock));
        }
        EXPECT_EQ(g_queueOverflows, 0) << (live ? "live" : "offline");
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        EXPECT_GT(instrument->Voices(), 128);
        EXPECT_GT(loudest, 0.0f);
    }
}

TEST(CGMInstrument, PresetsAreBankAndProgramWithGeneralMidiNames) {
    CGMInstrument instrument;
    EXPECT_EQ(instrument.GetNumPresets(), 128 + 9);
    EXPECT_EQ(instrument.GetPresetName(0), "0:0");
    EXPECT_EQ(instrument.GetPresetTitle(0), "Acoustic Grand Piano");
    EXPECT_EQ(instrument.GetPresetName(127), "0:127");
    EXPECT_EQ(instrument.GetPresetTitle(127), "Gunshot");
    EXPECT_EQ(instrument.GetPresetName(128), "128:0");
    EXPECT_EQ(instrument.GetPresetTitle(128), "Standard Kit");
    EXPECT_EQ(instrument.GetPresetTitle(999), "");
    EXPECT_EQ(CGMInstrument::GeneralMidiName(0, 40), "Violin");
    EXPECT_EQ(CGMInstrument::GeneralMidiName(128, 1), "");
    EXPECT_EQ(CGMInstrument::GeneralMidiName(3, 0), "");

    EXPECT_EQ(instrument.GetCurrentPresetName(), "0:0");
    EXPECT_TRUE(instrument.LoadPreset("128:25"));
    EXPECT_EQ(instrument.GetParameter(CGMInstrument::kBankParameter), 128.0f);
    EXPECT_EQ(instrument.GetParameter(CGMInstrument::kProgramParameter), 25.0f);
    EXPECT_FALSE(instrument.LoadPreset("128:1"));
    EXPECT_FALSE(instrument.LoadPreset("Piano"));
    EXPECT_EQ(instrument.GetCurrentPresetName(), "128:25");

    const std::vector<uint8_t> state = instrument.GetState();
    CGMInstrument copy;
    ASSERT_TRUE(copy.SetState(state.data(), state.size()));
    EXPECT_EQ(copy.GetCurrentPresetName(), "128:25");
    EXPECT_EQ(copy.GetParameter(CGMInstrument::kProgramParameter), 25.0f);
}

TEST(CGMInstrument, IsRegisteredAsTheGeneralMidiInstrument) {
    CGMInstrument::Register();
    EXPECT_FALSE(CGMInstrument::Register()); // once only
    const EffectID id = {'M', 'G', 'r', 'V', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(CGMInstrument::kID, id);
    auto effect = EffectsFactory::GetInstance()->LoadEffect(id);
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(effect->IsInstrument());
    EXPECT_EQ(effect->GetIdentifier(), id);
    bool listed = false;
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects())
        listed = listed || (description.id == id && description.isInstrument);
    EXPECT_TRUE(listed);
}

TEST(CGMInstrument, PreviewNotesPlayAndStop) {
    SKIP_WITHOUT_SOUNDFONT();
    auto instrument = MakeInstrument();
    Buffer out(2 * kBlock, 0.0f);
    auto next = [&] {
        std::fill(out.begin(), out.end(), 0.0f);
        instrument->Process(out.data(), kBlock);
        return Peak(out, 0, kBlock);
    };
    EXPECT_EQ(next(), 0.0f);
    ASSERT_TRUE(instrument->MidiNoteOnNow(60, 100, 0));
    ASSERT_TRUE(instrument->MidiNoteOnNow(64, 100, 3));
    EXPECT_GT(next(), 0.0f);
    ASSERT_TRUE(instrument->MidiNoteOffNow(60, 0, 0));
    ASSERT_TRUE(instrument->MidiAllNotesOffNow());
    for (int block = 0; block < FrameOf(4000) / kBlock; ++block)
        next();
    EXPECT_LT(next(), 1e-4f);

    EXPECT_FALSE(instrument->MidiNoteOnNow(128, 100, 0));
    EXPECT_FALSE(instrument->MidiNoteOnNow(60, 128, 0));
    EXPECT_FALSE(instrument->MidiNoteOffNow(60, 0, 16));
    EXPECT_FALSE(instrument->MidiNoteOffNow(-1, 0, 0));
}

TEST(CGMInstrument, PreviewQueueRefusesWhenFull) {
    CGMInstrument instrument; // not prepared: nothing empties the queue
    for (int i = 0; i < CGMInstrument::kPreviewQueueSize; ++i)
        ASSERT_TRUE(instrument.MidiNoteOnNow(60, 1, 0)) << i;
    EXPECT_FALSE(instrument.MidiNoteOnNow(60, 1, 0));
    EXPECT_FALSE(instrument.MidiAllNotesOffNow());
}

TEST(CGMInstrument, FindsTheInstalledSoundFontWhenThePathIsMissing) {
    SKIP_WITHOUT_SOUNDFONT();
    const std::string installed = CGMInstrument::FindSoundFont("");
    EXPECT_EQ(CGMInstrument::FindSoundFont("/no/such/font.sf2"), installed);
    EXPECT_EQ(CGMInstrument::FindSoundFont(installed), installed);
    auto instrument = MakeInstrument();
    EXPECT_EQ(instrument->GetSoundFontPath(), installed);
}

TEST(CGMInstrument, ABrokenSoundFontLeavesTheInstrumentSilent) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    const std::string path = std::string(LOOMTONE_TEST_TMP) + "/broken.sf2";
    {
        std::ofstream file(path, std::ios::binary);
        file << "RIFF\x10\x00\x00\x00sfbkLIST";
    }
    LogCapture log;
    CGMInstrument instrument(path);
    ASSERT_TRUE(instrument.Prepare(kRate, kBlock));
    EXPECT_FALSE(instrument.HasSoundFont());
    EXPECT_TRUE(log.Contains("failed to load"));
    Buffer out(2 * kBlock, 0.0f);
    instrument.HandleMidiEvent({0, 0x90, 60, 100});
    ASSERT_TRUE(instrument.MidiNoteOnNow(62, 100, 0));
    instrument.Process(out.data(), kBlock);
    EXPECT_EQ(Peak(out, 0, kBlock), 0.0f);
}

#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)

TEST(CGMInstrument, PlayingLiveAllocatesNothingOnTheAudioThread) {
    SKIP_WITHOUT_SOUNDFONT();
    MidiSoundPtr song = MakeSound(3000);
    for (int channel = 0; channel < 16; ++channel) {
        song->AddController(CMidiControllerList::kProgramChange, channel * 8, 0, channel);
        song->AddController(CMidiControllerList::kPitchBend, 9000, 700, channel);
        song->AddController(7, 90, 800, channel);
        for (int beat = 0; beat < 10; ++beat)
            AddNote(*song, beat * 250.0, beat * 250.0 + 400.0, 40 + channel * 2 + beat % 5,
                    channel);
    }
    auto instrument = MakeInstrument();
    CMidiScheduler scheduler;
    Buffer out(2 * kBlock, 0.0f);
    float loudest = 0.0f;
    // Everything FluidSynth (and libgomp under it) allocates happens on the
    // worker; this thread, the audio thread, must allocate nothing at all.
    AllocationCounter counter;
    for (int block = 0; block < FrameOf(3000) / kBlock; ++block) {
        if (block == 20)
            instrument->LoadPreset("0:40"); // atomics only, read by the worker
        if (block == 30)
            instrument->MidiNoteOnNow(72, 100, 0);
        if (block == 40)
            instrument->Reset();
        LiveBlock(*instrument, scheduler, *song, static_cast<int64_t>(block) * kBlock, out,
                  block != 0 && block != 40);
        loudest = std::max(loudest, Peak(out, 0, kBlock));
    }
    scheduler.Stop();
    instrument->Reset();
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_GT(loudest, 0.01f);
}

#endif

} // namespace

namespace {

std::vector<std::string> ThreadIds() {
    std::vector<std::string> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.push_back(entry.path().filename().string());
    return ids;
}

// How often the thread gave up the processor of its own accord.
long VoluntarySwitches(const std::string& thread) {
    std::ifstream status("/proc/self/task/" + thread + "/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "voluntary_ctxt_switches:" && status >> value)
            return value;
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

} // namespace

TEST(CGMInstrument, AnIdleInstrumentsWorkerSleepsWithoutPolling) {
    SKIP_WITHOUT_SOUNDFONT();
    const std::vector<std::string> before = ThreadIds();
    auto instrument = MakeInstrument();
    std::vector<std::string> added;
    for (const std::string& id : ThreadIds())
        if (std::find(before.begin(), before.end(), id) == before.end())
            added.push_back(id);
    ASSERT_FALSE(added.empty()) << "the instrument runs no worker";
    std::vector<long> start;
    for (const std::string& id : added)
        start.push_back(VoluntarySwitches(id));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A worker that polled would have woken every few milliseconds.
    for (size_t i = 0; i < added.size(); ++i)
        EXPECT_LE(VoluntarySwitches(added[i]) - start[i], 2) << "thread " << added[i];
}
