#include "engine/CMidiSound.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

namespace {

// Owns one reference to a sound for a test's scope.
struct SoundRef {
    SoundRef() : sound(new CMidiSound) {}
    explicit SoundRef(CMidiSound* made) : sound(made) {}
    ~SoundRef() { CAudioAtom::DeleteAtom(sound); }
    SoundRef(const SoundRef&) = delete;
    SoundRef& operator=(const SoundRef&) = delete;
    CMidiSound* operator->() const { return sound; }
    CMidiSound* sound;
};

TMidiSndNoteData Note(double start, double end, int pitch, int velocity = 100, int channel = 0) {
    TMidiSndNoteData data;
    data.channel = channel;
    data.start = start;
    data.end = end;
    data.pitch = pitch;
    data.velocity = velocity;
    data.releaseVelocity = 40;
    return data;
}

// A sound with every kind of content and non-default settings.
void Fill(CMidiSound& sound) {
    sound.AddMidiNote(Note(500, 750, 64, 90, 1), nullptr);
    sound.AddMidiNote(Note(0, 250, 60), nullptr);
    sound.AddMidiNote(Note(250, 1000, 67, 127, 15), nullptr);
    sound.AddController(7, 100, 0, 0);
    sound.AddController(7, 64, 800, 0);
    sound.AddController(CMidiControllerList::kProgramChange, 5, 0, 2);
    sound.AddController(CMidiControllerList::kChannelPressure, 30, 10, 0);
    sound.AddController(CMidiControllerList::kPitchBend, 16383, 300, 0);
    sound.AddController(CMidiControllerList::kPitchBend, 8192, 301, 0);
    sound.SetAbsoluteOffset(12000);
    sound.SetTrackNumber(3);
    sound.SetVirtualTimeStart(100);
    sound.SetVirtualLength(4000);
    sound.SetMediaLength(4000);
    sound.SetLoopStart(0);
    sound.SetLoopEnd(2000);
    sound.Rate(1.5);
    sound.SetTranspose(-5);
    sound.ForceSoundTempo(128);
    sound.ForceKey(15);
    sound.SetTimeSignature(6, 8);
    sound.ObeyTempoMap(true);
    sound.ObeyKeyMap(false);
    sound.Mute(true);
}

TEST(CMidiSound, KeepsNotesSortedByStartWithStableIdentities) {
    SoundRef sound;
    int index = -1;
    const MidiNotePtr late = sound->AddMidiNote(Note(1000, 1200, 60), &index);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(index, 0);
    const MidiNotePtr early = sound->AddMidiNote(Note(0, 100, 62), &index);
    EXPECT_EQ(index, 0);
    const MidiNotePtr tie = sound->AddMidiNote(Note(0, 300, 64), &index);
    EXPECT_EQ(index, 1); // after the note with the same start
    EXPECT_EQ(sound->NumNotes(), 3);
    EXPECT_EQ(sound->GetNote(0), early);
    EXPECT_EQ(sound->GetNote(2), late);
    EXPECT_EQ(sound->GetNote(3), nullptr);
    EXPECT_EQ(sound->GetNote(-1), nullptr);
    EXPECT_EQ(sound->NoteIndex(tie.get()), 1);
    EXPECT_DOUBLE_EQ(tie->GetDuration(), 300);

    // Moving the first note after the last re-sorts and reports its new index.
    TMidiSndNoteData moved = early->GetNoteData();
    moved.start = 2000;
    moved.end = 2100;
    ASSERT_TRUE(early->SetNoteData(moved, &index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(sound->GetNote(2), early);
    EXPECT_EQ(sound->NoteIndex(early.get()), 2);

    // A removed note stays readable but reports itself invalid.
    ASSERT_TRUE(sound->RemoveMidiNote(0));
    EXPECT_FALSE(tie->IsValid());
    EXPECT_EQ(sound->NoteIndex(tie.get()), -1);
    EXPECT_FALSE(tie->SetNoteData(Note(0, 10, 1), &index));
    EXPECT_EQ(tie->GetPitch(), 64);
    EXPECT_FALSE(sound->RemoveMidiNote(5));

    // A note outliving its sound does too.
    MidiNotePtr survivor;
    {
        SoundRef other;
        survivor = other->AddMidiNote(Note(0, 10, 1), nullptr);
        EXPECT_TRUE(survivor->IsValid());
    }
    EXPECT_FALSE(survivor->IsValid());
    EXPECT_EQ(sound->NoteIndex(survivor.get()), -1);
}

TEST(CMidiSound, RefusesInvalidNoteData) {
    SoundRef sound;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const TMidiSndNoteData bad[] = {Note(-1, 10, 60),
                                    Note(10, 5, 60),
                                    Note(nan, 10, 60),
                                    Note(0, nan, 60),
                                    Note(0, 10, 128),
                                    Note(0, 10, -1),
                                    Note(0, 10, 60, 128),
                                    Note(0, 10, 60, 100, 16),
                                    Note(0, std::numeric_limits<double>::infinity(), 60)};
    for (const TMidiSndNoteData& data : bad)
        EXPECT_EQ(sound->AddMidiNote(data, nullptr), nullptr);
    EXPECT_EQ(sound->NumNotes(), 0);
    const MidiNotePtr note = sound->AddMidiNote(Note(5, 5, 0, 0, 15), nullptr);
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->SetNoteData(Note(10, 5, 60), nullptr));
    EXPECT_DOUBLE_EQ(note->GetEnd(), 5);
    // The reserved words never stick.
    TMidiSndNoteData withReserved = Note(1, 2, 3);
    withReserved.reserved1 = 7;
    withReserved.reserved2 = 9;
    EXPECT_EQ(sound->AddMidiNote(withReserved, nullptr)->GetNoteData(), Note(1, 2, 3));
}

TEST(CMidiSound, ControllerListsPerKind) {
    SoundRef sound;
    EXPECT_EQ(sound->GetMidiControllerList(7), nullptr);
    EXPECT_EQ(sound->AddController(7, 100, 500, 0), 0);
    EXPECT_EQ(sound->AddController(7, 50, 100, 0), 0);
    EXPECT_EQ(sound->AddController(7, 60, 100, 0), 1);
    const CMidiControllerList* list = sound->GetMidiControllerList(7);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->GetEvent(2)->value, 100);
    EXPECT_EQ(list->GetEvent(3), nullptr);
    EXPECT_EQ(list->MaxValue(), 127);

    EXPECT_EQ(sound->AddController(CMidiControllerList::kPitchBend, 16383, 0, 0), 0);
    EXPECT_EQ(sound->GetMidiControllerList(CMidiControllerList::kPitchBend)->MaxValue(), 16383);
    EXPECT_EQ(sound->AddController(CMidiControllerList::kPitchBend, 16384, 0, 0), -1);
    EXPECT_EQ(sound->AddController(7, 128, 0, 0), -1);
    EXPECT_EQ(sound->AddController(7, -1, 0, 0), -1);
    EXPECT_EQ(sound->AddController(128, 1, 0, 0), -1);
    EXPECT_EQ(sound->AddController(132, 1, 0, 0), -1);
    EXPECT_EQ(sound->AddController(7, 1, -1, 0), -1);
    EXPECT_EQ(sound->AddController(7, 1, 0, 16), -1);
    EXPECT_EQ(sound->AddController(CMidiControllerList::kProgramChange, 127, 0, 15), 0);
    EXPECT_EQ(sound->AddController(CMidiControllerList::kChannelPressure, 0, 0, 0), 0);

    EXPECT_TRUE(sound->RemoveController(7, 1));
    EXPECT_FALSE(sound->RemoveController(7, 2));
    EXPECT_FALSE(sound->RemoveController(9, 0));
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->GetEvent(1)->value, 100);
}

TEST(CMidiSound, TurnsMidiMessagesIntoNotesAndControllers) {
    SoundRef sound;
    const auto message = [](int status, int data1, int data2) {
        return static_cast<uint32_t>(status | data1 << 8 | data2 << 16);
    };
    EXPECT_TRUE(sound->AppendMidiEvent(message(0x91, 60, 100), 0));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0x91, 64, 90), 100));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0x81, 60, 30), 500)); // note off
    EXPECT_TRUE(sound->AppendMidiEvent(message(0x91, 64, 0), 600));  // on with velocity 0
    EXPECT_TRUE(sound->AppendMidiEvent(message(0xB1, 7, 99), 10));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0xC9, 33, 0), 0));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0xD0, 44, 0), 20));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0xE0, 0x00, 0x40), 30));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0x90, 72, 80), 700)); // never ended
    EXPECT_FALSE(sound->AppendMidiEvent(message(0xA0, 1, 1), 0));
    EXPECT_FALSE(sound->AppendMidiEvent(message(0x90, 0x80, 1), 0));
    EXPECT_FALSE(sound->AppendMidiEvent(message(0xF0, 1, 1), 0));
    EXPECT_FALSE(sound->AppendMidiEvent(message(0x90, 1, 1), -5));
    EXPECT_TRUE(sound->AppendMidiEvent(message(0xB0, 1, 2), 900));
    sound->SortAllEvents(false);

    ASSERT_EQ(sound->NumNotes(), 3);
    const TMidiSndNoteData first = sound->GetNote(0)->GetNoteData();
    EXPECT_EQ(first.channel, 1);
    EXPECT_EQ(first.pitch, 60);
    EXPECT_DOUBLE_EQ(first.end, 500);
    EXPECT_EQ(first.velocity, 100);
    EXPECT_EQ(first.releaseVelocity, 30);
    EXPECT_DOUBLE_EQ(sound->GetNote(1)->GetEnd(), 600);
    EXPECT_DOUBLE_EQ(sound->GetNote(2)->GetEnd(), 900); // ended at the last event
    EXPECT_EQ(sound->GetMidiControllerList(7)->GetEvent(0)->channel, 1);
    EXPECT_EQ(sound->GetMidiControllerList(CMidiControllerList::kProgramChange)->GetEvent(0)->value,
              33);
    EXPECT_EQ(sound->GetMidiControllerList(CMidiControllerList::kPitchBend)->GetEvent(0)->value,
              8192);

    SoundRef dropped;
    dropped->AppendMidiEvent(message(0x90, 72, 80), 700);
    dropped->SortAllEvents(true);
    EXPECT_EQ(dropped->NumNotes(), 0);
}

TEST(CMidiSound, SettersRefuseValuesOutOfRange) {
    SoundRef sound;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(sound->SetVirtualLength(-1));
    EXPECT_FALSE(sound->SetLoopEnd(nan));
    EXPECT_FALSE(sound->Rate(0));
    EXPECT_FALSE(sound->SetTranspose(128));
    EXPECT_FALSE(sound->ForceSoundTempo(1000));
    EXPECT_TRUE(sound->ForceSoundTempo(0));
    EXPECT_FALSE(sound->ForceKey(24));
    EXPECT_FALSE(sound->SetTimeSignature(4, 3));
    EXPECT_FALSE(sound->SetTimeSignature(0, 4));
    EXPECT_TRUE(sound->SetTimeSignature(0, 0));
    EXPECT_TRUE(sound->ForceKey(8)); // F major: root 5 semitones above C
    EXPECT_EQ(sound->GetForcedKeyOffset(), 5);
    EXPECT_TRUE(sound->ForceKey(10)); // G: written as 5 below C
    EXPECT_EQ(sound->GetForcedKeyOffset(), -5);
    EXPECT_DOUBLE_EQ(sound->Rate(), 1.0);
    EXPECT_DOUBLE_EQ(sound->Length(), 0.0);
}

TEST(CMidiSound, CopiesWholeAndByRange) {
    SoundRef source;
    Fill(*source.sound);
    SoundRef whole(new CMidiSound(*source.sound));
    EXPECT_EQ(whole->GetContent(), source->GetContent());
    EXPECT_NE(whole->GetNote(0), source->GetNote(0)); // notes of its own
    EXPECT_EQ(whole->GetNote(0)->Owner(), whole.sound);

    SoundRef part(new CMidiSound(*source.sound, 400, 900));
    ASSERT_EQ(part->NumNotes(), 2);
    EXPECT_DOUBLE_EQ(part->GetNote(0)->GetStart(), 0); // 250..1000 cut to 400..900
    EXPECT_DOUBLE_EQ(part->GetNote(0)->GetEnd(), 500);
    EXPECT_DOUBLE_EQ(part->GetNote(1)->GetStart(), 100); // 500..750
    const CMidiControllerList* volume = part->GetMidiControllerList(7);
    ASSERT_EQ(volume->Count(), 2);
    EXPECT_EQ(volume->GetEvent(0)->value, 100); // the value in effect at the cut
    EXPECT_DOUBLE_EQ(volume->GetEvent(1)->time, 400);
    EXPECT_DOUBLE_EQ(part->Length(), 500);
    EXPECT_DOUBLE_EQ(part->GetLoopEnd(), 500);
    EXPECT_DOUBLE_EQ(part->GetVirtualTimeStart(), 0);
    EXPECT_EQ(part->GetKey(), 15);
}

TEST(CMidiSound, BodyRoundTripsEverything) {
    SoundRef source;
    Fill(*source.sound);
    const std::vector<uint8_t> body = source->SaveBody();
    SoundRef loaded;
    ASSERT_TRUE(loaded->LoadBody(body.data(), body.size()));
    EXPECT_EQ(loaded->GetContent(), source->GetContent());
    EXPECT_TRUE(loaded->IsMuted());
    EXPECT_EQ(loaded->GetTrackNumber(), 3);
    EXPECT_DOUBLE_EQ(loaded->AbsoluteOffset(), 12000);
    EXPECT_EQ(loaded->SaveBody(), body);

    // Byte layout: version, eight doubles, five ints, four bytes, then the notes.
    double version;
    std::memcpy(&version, body.data(), 8);
    EXPECT_DOUBLE_EQ(version, 1.0);
    uint32_t notes;
    std::memcpy(&notes, body.data() + 8 + 64 + 20 + 4, 4);
    EXPECT_EQ(notes, 3u);
    TMidiSndNoteData first;
    std::memcpy(&first, body.data() + 8 + 64 + 20 + 4 + 4, 40);
    EXPECT_EQ(first, Note(0, 250, 60));
}

TEST(CMidiSound, EveryTruncationIsRefusedAndLeavesTheSoundAsItWas) {
    SoundRef source;
    Fill(*source.sound);
    const std::vector<uint8_t> body = source->SaveBody();
    SoundRef target;
    target->AddMidiNote(Note(1, 2, 3), nullptr);
    const MidiSoundContent before = target->GetContent();
    const MidiNotePtr held = target->GetNote(0);
    for (size_t size = 0; size < body.size(); ++size) {
        std::vector<uint8_t> cut(body.begin(), body.begin() + size);
        EXPECT_FALSE(target->LoadBody(cut.data(), cut.size())) << size;
    }
    std::vector<uint8_t> longer = body;
    longer.push_back(0);
    EXPECT_FALSE(target->LoadBody(longer.data(), longer.size()));
    EXPECT_EQ(target->GetContent(), before);
    EXPECT_TRUE(held->IsValid());

    // A successful load replaces the notes; editors' handles go invalid.
    // Controller lists stay put and take the new events.
    target->AddController(7, 1, 0, 0);
    target->AddController(8, 1, 0, 0);
    const CMidiControllerList* volume = target->GetMidiControllerList(7);
    const CMidiControllerList* balance = target->GetMidiControllerList(8);
    ASSERT_TRUE(target->LoadBody(body.data(), body.size()));
    EXPECT_FALSE(held->IsValid());
    EXPECT_EQ(target->GetMidiControllerList(7), volume);
    EXPECT_EQ(volume->Count(), 2);
    EXPECT_EQ(balance->Count(), 0);
}

// Overwrites 4 bytes of a copy of the body.
std::vector<uint8_t> Patched(std::vector<uint8_t> body, size_t offset, uint32_t value) {
    std::memcpy(body.data() + offset, &value, 4);
    return body;
}

TEST(CMidiSound, BodyCountsAndValuesAreChecked) {
    SoundRef source;
    Fill(*source.sound);
    const std::vector<uint8_t> body = source->SaveBody();
    SoundRef target;
    const size_t noteCount = 8 + 64 + 20 + 4;
    const size_t firstNote = noteCount + 4;
    const size_t listCount = firstNote + 3 * 40;
    const auto refused = [&](const std::vector<uint8_t>& bytes) {
        return !target->LoadBody(bytes.data(), bytes.size());
    };
    EXPECT_TRUE(refused(Patched(body, noteCount, 4)));          // more notes than bytes
    EXPECT_TRUE(refused(Patched(body, noteCount, 0xFFFFFFFF))); // absurd count
    EXPECT_TRUE(refused(Patched(body, noteCount, 2)));          // bytes left over
    EXPECT_TRUE(refused(Patched(body, listCount, 0xFFFFFFFF)));
    EXPECT_TRUE(refused(Patched(body, listCount + 8, 0x10000000)));  // events of list 1
    EXPECT_TRUE(refused(Patched(body, firstNote, 16)));              // channel
    EXPECT_TRUE(refused(Patched(body, firstNote + 24, 128)));        // pitch
    EXPECT_TRUE(refused(Patched(body, firstNote + 28, 200)));        // velocity
    EXPECT_TRUE(refused(Patched(body, firstNote + 32, 0xFFFFFFFF))); // release velocity
    EXPECT_TRUE(refused(Patched(body, listCount + 4, 128)));         // controller kind 128
    EXPECT_TRUE(refused(Patched(body, 8 + 64 + 4, 99)));             // key
    EXPECT_TRUE(refused(Patched(body, 8 + 64 + 16, 3)));             // denominator 3

    // Doubles: a note ending before it starts, NaN and negative times, a bad version.
    std::vector<uint8_t> bytes = body;
    const double early = 100.0, nan = std::numeric_limits<double>::quiet_NaN(), minus = -1.0;
    std::memcpy(bytes.data() + firstNote + 16, &early, 8);
    std::memcpy(bytes.data() + firstNote + 8, &minus, 8);
    EXPECT_TRUE(refused(bytes));
    bytes = body;
    std::memcpy(bytes.data() + firstNote + 8, &nan, 8);
    EXPECT_TRUE(refused(bytes));
    bytes = body;
    std::memcpy(bytes.data() + 8 + 48, &minus, 8); // rate
    EXPECT_TRUE(refused(bytes));
    bytes = body;
    const double version = 2.0;
    std::memcpy(bytes.data(), &version, 8);
    EXPECT_TRUE(refused(bytes));

    // Pitch bend values are 14-bit, the rest 7-bit; each kind appears once.
    MidiSoundContent content = source->GetContent();
    content.controllers.push_back(content.controllers.front());
    EXPECT_TRUE(refused(MidiSoundBody::Write(content)));
    content = source->GetContent();
    content.controllers.back().events.front().value = 16384;
    EXPECT_TRUE(refused(MidiSoundBody::Write(content)));
    content.controllers.back().events.front().value = 0;
    EXPECT_FALSE(refused(MidiSoundBody::Write(content)));
    EXPECT_EQ(target->NumNotes(), 3);
}

class CMidiSoundFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(LOOMTONE_TEST_TMP);
        path = std::string(LOOMTONE_TEST_TMP) + "/midisound.riff";
    }

    // A project-like file: a "ClpM" list holding a clip record, then the sound.
    bool WriteFile(const CMidiSound& sound) {
        auto* file = new CFileObj;
        auto* riff = new CRIFF;
        const char record[344] = {};
        bool ok = file->Create(path) && riff->Create(file, MakeFourCC("LTC3")) &&
                  riff->WriteListChunkHeader(MakeFourCC("ClpM")) &&
                  riff->WriteSubChunk(MakeFourCC("CpMD"), record, sizeof record) &&
                  sound.Save(*riff) && riff->Ascend() &&
                  riff->WriteSubChunk(MakeFourCC("Envl"), record, 3);
        ok = riff->Close() && ok;
        riff->DeleteRefObject();
        file->DeleteRefObject();
        return ok;
    }

    bool ReadFile(CMidiSound& sound) {
        auto* file = new CFileObj;
        auto* riff = new CRIFF;
        bool ok = file->Open(path) && riff->Open(file, nullptr) &&
                  riff->SeekToChunk(FOURCC_LIST, MakeFourCC("ClpM")) && riff->Descend() &&
                  riff->SeekToChunk(MakeFourCC("CpMD")) && riff->SeekToNextChunk() &&
                  sound.Load(*riff);
        RIFFChunkInfo after;
        // The reader is left past the sound's chunk.
        ok = ok && !riff->GetCurrentChunkInfo(nullptr, &after) && riff->Ascend() &&
             riff->SeekToNextChunk() && riff->GetCurrentChunkInfo(nullptr, &after) &&
             after.chunkID == MakeFourCC("Envl");
        riff->Close();
        riff->DeleteRefObject();
        file->DeleteRefObject();
        return ok;
    }

    std::string path;
};

TEST_F(CMidiSoundFile, NotesAndControllersSurviveARealFile) {
    SoundRef source;
    Fill(*source.sound);
    ASSERT_TRUE(WriteFile(*source.sound));
    SoundRef loaded;
    ASSERT_TRUE(ReadFile(*loaded.sound));
    EXPECT_EQ(loaded->GetContent(), source->GetContent());
}

TEST_F(CMidiSoundFile, MissingOrDamagedChunksAreRefused) {
    SoundRef source;
    Fill(*source.sound);
    ASSERT_TRUE(WriteFile(*source.sound));
    // Flip the note count in the file so that it claims more notes than it holds.
    const auto bytes = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    }();
    const std::string code = "MSnd";
    const auto at = std::search(bytes.begin(), bytes.end(), code.begin(), code.end());
    ASSERT_NE(at, bytes.end());
    std::vector<char> damaged = bytes;
    const size_t countOffset = (at - bytes.begin()) + 8 + 8 + 64 + 20 + 4;
    damaged[countOffset] = 9;
    std::ofstream(path, std::ios::binary).write(damaged.data(), damaged.size());

    SoundRef loaded;
    loaded->ForceKey(7);
    LogCapture log;
    EXPECT_FALSE(ReadFile(*loaded.sound));
    EXPECT_TRUE(log.Contains("CMidiSound::Load failed"));
    EXPECT_EQ(loaded->GetKey(), 7);
    EXPECT_EQ(loaded->NumNotes(), 0);

    // A file without the sound's chunk.
    SoundRef empty;
    auto* file = new CFileObj;
    auto* riff = new CRIFF;
    ASSERT_TRUE(file->Create(path) && riff->Create(file, MakeFourCC("LTC3")) &&
                riff->WriteSubChunk(MakeFourCC("CpMD"), "x", 1) && riff->Close());
    riff->DeleteRefObject();
    file->DeleteRefObject();
    file = new CFileObj;
    riff = new CRIFF;
    ASSERT_TRUE(file->Open(path) && riff->Open(file, nullptr));
    EXPECT_FALSE(empty->Load(*riff));
    riff->DeleteRefObject();
    file->DeleteRefObject();
}

TEST_F(CMidiSoundFile, SaveRefusesSettingsThatCouldNotBeLoaded) {
    SoundRef sound;
    sound->SetAbsoluteOffset(-10);
    LogCapture log;
    EXPECT_FALSE(WriteFile(*sound.sound));
    EXPECT_TRUE(log.Contains("CMidiSound::Save failed"));
}

} // namespace
