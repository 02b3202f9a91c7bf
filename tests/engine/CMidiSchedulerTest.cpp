#include "engine/CMidiScheduler.h"

#include "engine/CMidiControllerList.h"
#include "engine/CMidiSound.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr double kRate = 44100.0;

using MidiSoundPtr = SoundFixtures::AtomPtr<CMidiSound>;

MidiSoundPtr MakeSound(double lengthMs) {
    MidiSoundPtr sound(new CMidiSound());
    sound->SetMediaLength(lengthMs);
    sound->SetVirtualLength(lengthMs);
    return sound;
}

void AddNote(CMidiSound& sound, double start, double end, int pitch, int channel = 0,
             int velocity = 100) {
    TMidiSndNoteData data;
    data.start = start;
    data.end = end;
    data.pitch = pitch;
    data.channel = channel;
    data.velocity = velocity;
    ASSERT_NE(sound.AddMidiNote(data, nullptr), nullptr);
}

int64_t FrameOf(double ms) {
    return std::llround(ms * kRate / 1000.0);
}

// An event with its frame on the timeline.
struct TimedEvent {
    int64_t frame;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;

    bool operator==(const TimedEvent&) const = default;
    bool IsNoteOn() const { return (status & 0xF0) == 0x90; }
    bool IsNoteOff() const { return (status & 0xF0) == 0x80; }
};

void Collect(const CMidiScheduler& scheduler, int64_t blockStart, std::vector<TimedEvent>& out) {
    for (int i = 0; i < scheduler.NumEvents(); ++i) {
        const EffectMidiEvent& event = scheduler.Events()[i];
        out.push_back({blockStart + event.frameOffset, event.status, event.data1, event.data2});
    }
}

// Schedules [from, to) in blocks of the given sizes (repeated).
std::vector<TimedEvent> Play(CMidiScheduler& scheduler, CMidiSound& sound, int64_t from, int64_t to,
                             const std::vector<int>& blockSizes = {512}) {
    std::vector<TimedEvent> events;
    size_t next = 0;
    for (int64_t start = from; start < to;) {
        const int frames =
            static_cast<int>(std::min<int64_t>(blockSizes[next++ % blockSizes.size()], to - start));
        scheduler.ScheduleBlock(sound, start, frames, kRate);
        Collect(scheduler, start, events);
        start += frames;
    }
    return events;
}

std::vector<TimedEvent> NotesOnly(const std::vector<TimedEvent>& events) {
    std::vector<TimedEvent> notes;
    for (const TimedEvent& event : events) {
        if (event.IsNoteOn() || event.IsNoteOff())
            notes.push_back(event);
    }
    return notes;
}

TEST(CMidiScheduler, NoteStartsAndEndsOnItsFrames) {
    MidiSoundPtr sound = MakeSound(4000);
    AddNote(*sound, 500, 1000, 60);
    CMidiScheduler scheduler;
    const auto events = Play(scheduler, *sound, 0, FrameOf(2000));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], (TimedEvent{FrameOf(500), 0x90, 60, 100}));
    EXPECT_EQ(events[1], (TimedEvent{FrameOf(1000), 0x80, 60, 0}));
    EXPECT_EQ(scheduler.NumSoundingNotes(), 0);
}

TEST(CMidiScheduler, BlockSizesDoNotChangeTheEvents) {
    MidiSoundPtr sound = MakeSound(3000);
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const double start = std::uniform_real_distribution<double>(0, 2500)(random);
        AddNote(*sound, start, start + std::uniform_real_distribution<double>(0, 400)(random),
                30 + i % 60, i % 16);
    }
    for (int i = 0; i < 50; ++i)
        sound->AddController(7, i, i * 50.0, i % 16);
    CMidiScheduler one;
    CMidiScheduler other;
    const auto whole = Play(one, *sound, 0, FrameOf(3500), {1 << 20});
    const auto pieces = Play(other, *sound, 0, FrameOf(3500), {1, 441, 64, 1000, 17});
    EXPECT_EQ(NotesOnly(whole), NotesOnly(pieces));
    int ons = 0;
    int offs = 0;
    for (const TimedEvent& event : whole) {
        ons += event.IsNoteOn();
        offs += event.IsNoteOff();
    }
    EXPECT_EQ(ons, offs);
}

TEST(CMidiScheduler, FollowsPositionVirtualStartAndLength) {
    MidiSoundPtr sound = MakeSound(1000);
    AddNote(*sound, 100, 150, 50);   // before the virtual start: not heard
    AddNote(*sound, 500, 2000, 60);  // cut at the clip's end
    AddNote(*sound, 1300, 1400, 70); // after the clip's end
    sound->SetAbsoluteOffset(1000);
    sound->SetVirtualTimeStart(200);
    CMidiScheduler scheduler;
    const auto events = Play(scheduler, *sound, 0, FrameOf(3000));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], (TimedEvent{FrameOf(1300), 0x90, 60, 100}));
    EXPECT_EQ(events[1], (TimedEvent{FrameOf(2000), 0x80, 60, 0}));
}

TEST(CMidiScheduler, LoopRepeatsNotesAndCutsThemAtTheLoopEnd) {
    MidiSoundPtr sound = MakeSound(3000);
    AddNote(*sound, 250, 400, 60);
    AddNote(*sound, 900, 1200, 62);  // crosses the loop end
    AddNote(*sound, 1500, 1600, 64); // outside the loop window
    sound->SetLoopStart(0);
    sound->SetLoopEnd(1000);
    CMidiScheduler scheduler;
    const auto events = Play(scheduler, *sound, 0, FrameOf(3500), {333});
    std::vector<TimedEvent> expected;
    for (int pass = 0; pass < 3; ++pass) {
        const double base = pass * 1000.0;
        expected.push_back({FrameOf(base + 250), 0x90, 60, 100});
        expected.push_back({FrameOf(base + 400), 0x80, 60, 0});
        expected.push_back({FrameOf(base + 900), 0x90, 62, 100});
        expected.push_back({FrameOf(base + 1000), 0x80, 62, 0});
    }
    EXPECT_EQ(events, expected);
}

TEST(CMidiScheduler, LoopStartsAtVirtualStartInsideTheWindow) {
    MidiSoundPtr sound = MakeSound(2000);
    AddNote(*sound, 100, 150, 60);
    AddNote(*sound, 700, 750, 61);
    sound->SetLoopStart(0);
    sound->SetLoopEnd(1000);
    sound->SetVirtualTimeStart(600); // first pass: 600..1000, then 0..1000
    CMidiScheduler scheduler;
    const auto notes = NotesOnly(Play(scheduler, *sound, 0, FrameOf(2000)));
    ASSERT_EQ(notes.size(), 8u);
    EXPECT_EQ(notes[0].frame, FrameOf(100));       // 700 in the material
    EXPECT_EQ(notes[2].frame, FrameOf(400 + 100)); // 100 in the second pass
    EXPECT_EQ(notes[4].frame, FrameOf(400 + 700));
    EXPECT_EQ(notes[6].frame, FrameOf(1400 + 100)); // the third pass ends at 2000
}

TEST(CMidiScheduler, TransposesAndLeavesOutKeysBeyondTheRange) {
    MidiSoundPtr sound = MakeSound(1000);
    AddNote(*sound, 10, 20, 60);
    AddNote(*sound, 30, 40, 120);
    sound->SetTranspose(12);
    CMidiScheduler scheduler;
    const auto notes = NotesOnly(Play(scheduler, *sound, 0, FrameOf(1000)));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].data1, 72);
    EXPECT_EQ(notes[1].data1, 72);
}

TEST(CMidiScheduler, MuteEndsSoundingNotesAndKeepsNewOnesOut) {
    MidiSoundPtr sound = MakeSound(4000);
    AddNote(*sound, 0, 3000, 60);
    AddNote(*sound, 1500, 1600, 62);
    CMidiScheduler scheduler;
    auto events = Play(scheduler, *sound, 0, FrameOf(1000));
    ASSERT_EQ(scheduler.NumSoundingNotes(), 1);
    sound->Mute(true);
    scheduler.ScheduleBlock(*sound, FrameOf(1000), 512, kRate);
    ASSERT_GE(scheduler.NumEvents(), 1);
    EXPECT_EQ(scheduler.Events()[0].status, 0x80);
    EXPECT_EQ(scheduler.Events()[0].frameOffset, 0);
    EXPECT_EQ(scheduler.NumSoundingNotes(), 0);
    const auto later = NotesOnly(Play(scheduler, *sound, FrameOf(1000) + 512, FrameOf(2000)));
    EXPECT_TRUE(later.empty());
}

TEST(CMidiScheduler, SeekEndsNotesAndChasesControllers) {
    MidiSoundPtr sound = MakeSound(10000);
    AddNote(*sound, 0, 5000, 60, 2);
    sound->AddController(CMidiControllerList::kProgramChange, 40, 0, 2);
    sound->AddController(CMidiControllerList::kPitchBend, 10000, 100, 2);
    sound->AddController(CMidiControllerList::kPitchBend, 12000, 200, 2);
    sound->AddController(121, 0, 50, 2); // reset controllers: never replayed
    sound->AddController(7, 90, 300, 5);
    CMidiScheduler scheduler;
    Play(scheduler, *sound, 0, 1024);
    ASSERT_EQ(scheduler.NumSoundingNotes(), 1);

    const int64_t seekTo = FrameOf(4000);
    scheduler.ScheduleBlock(*sound, seekTo, 512, kRate);
    std::vector<TimedEvent> events;
    Collect(scheduler, seekTo, events);
    EXPECT_EQ(scheduler.NumSoundingNotes(), 0);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0], (TimedEvent{seekTo, 0x82, 60, 0}));
    // Pedals released and all notes off on every channel, then the chase.
    EXPECT_NE(std::find(events.begin(), events.end(), TimedEvent{seekTo, 0xBF, 123, 0}),
              events.end());
    const auto chased = std::vector<TimedEvent>(events.end() - 3, events.end());
    EXPECT_EQ(chased[0], (TimedEvent{seekTo, 0xB5, 7, 90}));
    EXPECT_EQ(chased[1], (TimedEvent{seekTo, 0xC2, 40, 0}));
    EXPECT_EQ(chased[2], (TimedEvent{seekTo, 0xE2, 12000 & 0x7F, 12000 >> 7}));
}

TEST(CMidiScheduler, ClipStartChasesWhatComesBeforeTheVirtualStart) {
    MidiSoundPtr sound = MakeSound(2000);
    sound->AddController(CMidiControllerList::kProgramChange, 24, 0, 0);
    AddNote(*sound, 600, 700, 60);
    sound->SetVirtualTimeStart(500);
    sound->SetAbsoluteOffset(1000);
    CMidiScheduler scheduler;
    const auto events = Play(scheduler, *sound, 0, FrameOf(2000));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], (TimedEvent{FrameOf(1000), 0xC0, 24, 0}));
    EXPECT_EQ(events[1], (TimedEvent{FrameOf(1100), 0x90, 60, 100}));
}

TEST(CMidiScheduler, SameFrameOrderIsOffsThenControllersThenOns) {
    MidiSoundPtr sound = MakeSound(1000);
    AddNote(*sound, 100, 200, 60);
    AddNote(*sound, 200, 300, 60);
    sound->AddController(CMidiControllerList::kProgramChange, 5, 200, 0);
    sound->AddController(0, 1, 200, 0); // bank select goes before the program
    CMidiScheduler scheduler;
    const auto events = Play(scheduler, *sound, 0, FrameOf(1000));
    const std::vector<TimedEvent> expected = {
        {FrameOf(100), 0x90, 60, 100}, {FrameOf(200), 0x80, 60, 0},   {FrameOf(200), 0xB0, 0, 1},
        {FrameOf(200), 0xC0, 5, 0},    {FrameOf(200), 0x90, 60, 100}, {FrameOf(300), 0x80, 60, 0}};
    EXPECT_EQ(events, expected);
}

TEST(CMidiScheduler, OverlappingNotesOnOneKeyDoNotCutEachOther) {
    MidiSoundPtr sound = MakeSound(2000);
    AddNote(*sound, 100, 1000, 60);
    AddNote(*sound, 500, 800, 60);
    CMidiScheduler scheduler;
    const auto events = Play(scheduler, *sound, 0, FrameOf(2000));
    const std::vector<TimedEvent> expected = {{FrameOf(100), 0x90, 60, 100},
                                              {FrameOf(500), 0x80, 60, 0},
                                              {FrameOf(500), 0x90, 60, 100},
                                              {FrameOf(800), 0x80, 60, 0}};
    EXPECT_EQ(events, expected);
}

TEST(CMidiScheduler, StopEndsEverythingAndSilencesTheChannels) {
    MidiSoundPtr sound = MakeSound(4000);
    AddNote(*sound, 0, 3000, 60);
    AddNote(*sound, 0, 3000, 64, 9);
    CMidiScheduler scheduler;
    Play(scheduler, *sound, 0, 2048);
    ASSERT_EQ(scheduler.NumSoundingNotes(), 2);
    const int count = scheduler.Stop();
    EXPECT_EQ(count, 2 + 16 * 3);
    EXPECT_EQ(scheduler.NumSoundingNotes(), 0);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(scheduler.Events()[i].frameOffset, 0);
    EXPECT_EQ(scheduler.Events()[0].status & 0xF0, 0x80);
    // Nothing more to end: a second stop is empty.
    EXPECT_EQ(scheduler.Stop(), 0);
}

TEST(CMidiScheduler, AFullBlockDefersNoteOffsAndDropsNoteOns) {
    MidiSoundPtr sound = MakeSound(1000);
    for (int pitch = 0; pitch < 20; ++pitch)
        AddNote(*sound, 10, 20, pitch);
    CMidiScheduler scheduler(8);
    const auto events = Play(scheduler, *sound, 0, FrameOf(1000));
    int ons = 0;
    int offs = 0;
    for (const TimedEvent& event : events) {
        ons += event.IsNoteOn();
        offs += event.IsNoteOff();
    }
    EXPECT_EQ(ons, 8);
    EXPECT_EQ(offs, 8);
    EXPECT_EQ(scheduler.NumSoundingNotes(), 0);
}

TEST(CMidiScheduler, ALockedSoundOnlyGetsDueNoteOffs) {
    MidiSoundPtr sound = MakeSound(2000);
    AddNote(*sound, 0, 10, 60);
    AddNote(*sound, 20, 30, 62);
    CMidiScheduler scheduler;
    scheduler.ScheduleBlock(*sound, 0, 441, kRate); // first note starts
    ASSERT_EQ(scheduler.NumSoundingNotes(), 1);

    std::atomic<bool> locked{false};
    std::atomic<bool> release{false};
    std::thread editor([&] {
        sound->Lock();
        locked = true;
        while (!release)
            std::this_thread::yield();
        sound->Unlock();
    });
    while (!locked)
        std::this_thread::yield();
    scheduler.ScheduleBlock(*sound, 441, 882, kRate);
    release = true;
    editor.join();
    ASSERT_EQ(scheduler.NumEvents(), 1);
    EXPECT_EQ(scheduler.Events()[0].status, 0x80);
    EXPECT_EQ(scheduler.Events()[0].data1, 60);
}

TEST(CMidiScheduler, ALoopShorterThanAFrameCountsAsNone) {
    MidiSoundPtr sound = MakeSound(1000);
    AddNote(*sound, 0, 0.001, 60);
    sound->SetLoopStart(0);
    sound->SetLoopEnd(0.001);
    CMidiScheduler scheduler;
    const auto notes = NotesOnly(Play(scheduler, *sound, 0, FrameOf(1000)));
    EXPECT_EQ(notes.size(), 2u);
}

TEST(CMidiScheduler, BadBlocksGiveNoEvents) {
    MidiSoundPtr sound = MakeSound(1000);
    AddNote(*sound, 0, 100, 60);
    CMidiScheduler scheduler;
    EXPECT_EQ(scheduler.ScheduleBlock(*sound, 0, 0, kRate), 0);
    EXPECT_EQ(scheduler.ScheduleBlock(*sound, 0, 512, 0.0), 0);
    EXPECT_EQ(scheduler.ScheduleBlock(*sound, 0, 512, std::nan("")), 0);
    EXPECT_EQ(scheduler.ScheduleBlock(*sound, 0, -5, kRate), 0);
}

} // namespace
