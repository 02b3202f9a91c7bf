#include "project/CAudioClip.h"
#include "FakeClipDocument.h"
#include "TestFiles.h"
#include "ToneWav.h"
#include "engine/CEnvelope.h"
#include "engine/CPCMSound.h"
#include "project/AudioClipRecord.h"
#include "project/CClipChunks.h"
#include "project/ClipEnvelopeRecord.h"
#include "project/LegacySoundRecord.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool LoadClip(CAudioClip& clip, const std::string& path) {
    return ReadChunks(path, [&](CRIFF& riff) { return clip.Load(riff); });
}

struct ClipRef {
    explicit ClipRef(ClipDocument& doc) : clip(new CAudioClip(doc)) {}
    ~ClipRef() { clip->DeleteRefObject(); }
    CAudioClip* operator->() const { return clip; }
    CAudioClip* clip;
};

class AudioClip : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::string(LOOMTONE_TEST_TMP) + "/audioclip";
        fs::remove_all(dir);
        fs::create_directories(dir + "/sounds");
        fs::create_directories(dir + "/project");
        doc.projectPath = dir + "/project/song.lt4";
        WriteToneWav(dir + "/sounds/Drum.wav", 44100, 8000);
    }
    void TearDown() override { doc.undo.ClearUndoHistory(); }

    std::string dir;
    FakeClipDocument doc;
};

} // namespace

TEST_F(AudioClip, NameFromFileKeepsEveryLetter) {
    ClipRef clip(doc);
    ASSERT_TRUE(clip->LoadFromFile(dir + "/sounds/Drum.wav", false));
    EXPECT_EQ(clip->GetName(), "Drum");
    EXPECT_NEAR(clip->GetLengthMs(), 1000.0, 1.0);
    fs::copy_file(dir + "/sounds/Drum.wav", dir + "/sounds/Snare");
    ClipRef bare(doc);
    ASSERT_TRUE(bare->LoadFromFile(dir + "/sounds/Snare", false));
    EXPECT_EQ(bare->GetName(), "Snare");
}

TEST_F(AudioClip, SaveLoadSaveIsByteIdenticalForEveryFormat) {
    // The compressed formats are made by whichever converter the machine has
    // (sox has no MP3 writer everywhere); the WAV always runs.
    std::vector<std::string> files{dir + "/sounds/Drum.wav"};
    for (const char* ext : {"ogg", "mp3", "flac"}) {
        const std::string in = "'" + dir + "/sounds/Drum.wav'";
        const std::string out = "'" + dir + "/sounds/Drum." + ext + "'";
        if (std::system(("sox -q " + in + " " + out + " 2>/dev/null").c_str()) == 0 ||
            std::system(
                ("ffmpeg -loglevel quiet -y -i " + in + " " + out + " 2>/dev/null").c_str()) == 0)
            files.push_back(dir + "/sounds/Drum." + ext);
    }
    for (const std::string& sound : files) {
        ClipRef clip(doc);
        ASSERT_TRUE(clip->LoadFromFile(sound, false)) << sound;
        clip->GetAtom()->SetAbsoluteOffset(1500.0);
        clip->ResizeRight(600.0, false);
        clip->SetLocked(true, false);
        clip->SetMuted(true, false);
        clip->SetFadeInMs(20);
        clip->GetAtom()->GetClipAudioBuffer().GetPanEnvelope().Insert(100, -0.5);
        const std::string a = dir + "/a.riff", b = dir + "/b.riff";
        ASSERT_TRUE(WriteChunks(a, [&](CRIFF& riff) { return clip->Save(riff); }));
        ClipRef loaded(doc);
        ASSERT_TRUE(LoadClip(*loaded.clip, a)) << sound;
        EXPECT_EQ(loaded->GetStartMs(), 1500.0);
        EXPECT_EQ(loaded->GetLengthMs(), 600.0);
        EXPECT_TRUE(loaded->IsLocked());
        EXPECT_TRUE(loaded->IsMuted());
        EXPECT_FALSE(loaded->IsSelected());
        EXPECT_EQ(loaded->GetAtom()->GetClipAudioBuffer().GetPanEnvelope().GetNumPoints(), 1);
        ASSERT_TRUE(WriteChunks(b, [&](CRIFF& riff) { return loaded->Save(riff); }));
        EXPECT_EQ(ReadAll(a), ReadAll(b)) << sound;
    }
    RecordProperty("formats", static_cast<int>(files.size()));
}

TEST_F(AudioClip, SoundNextToTheProjectIsFoundThenTheSearchIsAsked) {
    fs::copy_file(dir + "/sounds/Drum.wav", dir + "/project/Drum.wav");
    AudioClipRecord record;
    record.absolutePath = "/gone/elsewhere/Drum.wav";
    record.relativePath = "../../gone/Drum.wav";
    record.loopEnd = 99999.0;
    record.loopStart = 10.0;
    const std::string stale = dir + "/stale.riff";
    ASSERT_TRUE(WriteChunks(stale, [&](CRIFF& riff) {
        return record.Write(riff) && ClipEnvelopeRecord{}.Write(riff);
    }));
    {
        ClipRef clip(doc);
        ASSERT_TRUE(LoadClip(*clip.clip, stale));
        EXPECT_EQ(clip->GetFilePath(), dir + "/project/Drum.wav");
        EXPECT_EQ(clip->GetLoopStart(), 10.0);
        EXPECT_NEAR(clip->GetLoopEnd(), clip->GetAtom()->DataLength(), 1e-9);
        EXPECT_TRUE(doc.missingAsked.empty());
    }
    fs::remove(dir + "/project/Drum.wav");
    {
        ClipRef clip(doc);
        LogCapture log;
        EXPECT_FALSE(LoadClip(*clip.clip, stale));
        EXPECT_TRUE(log.Contains("Unable to find sound /gone/elsewhere/Drum.wav."));
        ASSERT_EQ(doc.missingAsked.size(), 1u);
    }
    doc.missingAnswer = dir + "/sounds/Drum.wav";
    ClipRef clip(doc);
    ASSERT_TRUE(LoadClip(*clip.clip, stale));
    EXPECT_EQ(clip->GetFilePath(), dir + "/sounds/Drum.wav");
}

TEST_F(AudioClip, TransferCopiesEachSoundOnceAndLeavesFilesInPlace) {
    doc.transfer = std::make_unique<CSoundTransfer>(dir + "/project", true, false);
    ClipRef first(doc), second(doc);
    ASSERT_TRUE(first->LoadFromFile(dir + "/sounds/Drum.wav", false));
    ASSERT_TRUE(second->LoadFromFile(dir + "/sounds/Drum.wav", false));
    ASSERT_TRUE(WriteChunks(dir + "/t.riff",
                            [&](CRIFF& riff) { return first->Save(riff) && second->Save(riff); }));
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(dir + "/project"))
        copies += entry.path().extension() == ".wav";
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(doc.transfer->Transfer(dir + "/sounds/Drum.wav"), dir + "/project/Drum.wav");
    EXPECT_EQ(doc.transfer->Transfer(dir + "/project/Drum.wav"), dir + "/project/Drum.wav");
}

TEST_F(AudioClip, EditsUndoAsOneStepAndNoChangeRecordsNothing) {
    ClipRef clip(doc);
    ASSERT_TRUE(clip->LoadFromFile(dir + "/sounds/Drum.wav", false));
    clip->GetAtom()->SetAbsoluteOffset(1000.0);
    clip->GetAtom()->GetClipAudioBuffer().GetVolumeEnvelope().Insert(300, 0.5);
    clip->SetLoopToTrim(); // the loop already is the whole sound
    EXPECT_EQ(doc.undo.NumUndoSets(), 0);

    clip->ResizeLeft(200.0, true);
    EXPECT_EQ(clip->GetStartMs(), 1200.0);
    EXPECT_NEAR(clip->GetOffsetMs(), 200.0, 1e-9);
    EnvelopePoint point;
    ASSERT_TRUE(
        clip->GetAtom()->GetClipAudioBuffer().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_EQ(point.timeMs, 100.0);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(clip->GetStartMs(), 1000.0);
    EXPECT_EQ(clip->GetOffsetMs(), 0.0);
    ASSERT_TRUE(
        clip->GetAtom()->GetClipAudioBuffer().GetVolumeEnvelope().GetPointAtIndex(0, point));
    EXPECT_EQ(point.timeMs, 300.0);
    ASSERT_TRUE(doc.undo.Redo());
    EXPECT_EQ(clip->GetStartMs(), 1200.0);

    doc.undo.NextUndoSet();
    const int sets = doc.undo.NumUndoSets();
    clip->BeginChange();
    clip->SetName("Other", false);
    clip->SetName("Drum", false);
    clip->EndChange();
    EXPECT_EQ(doc.undo.NumUndoSets(), sets);
    clip->SetLocked(true, true);
    EXPECT_EQ(doc.undo.NumUndoSets(), sets + 1);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_FALSE(clip->IsLocked());
}

TEST_F(AudioClip, ShortRecordsAreRefused) {
    AudioClipRecord record;
    record.absolutePath = dir + "/sounds/Drum.wav";
    std::vector<uint8_t> bytes = record.ToBytes();
    bytes.resize(AudioClipRecord::kMinimumSize12 - 1);
    ASSERT_TRUE(WriteChunks(dir + "/short.riff", [&](CRIFF& riff) {
        return riff.WriteSubChunk(AudioClipRecord::kChunkCode, bytes.data(),
                                  static_cast<uint32_t>(bytes.size())) &&
               ClipEnvelopeRecord{}.Write(riff);
    }));
    ClipRef clip(doc);
    LogCapture log;
    EXPECT_FALSE(LoadClip(*clip.clip, dir + "/short.riff"));
    EXPECT_TRUE(log.Contains("CAudioClip::Load - returning false!"));
}

namespace {

struct LegacyChunks {
    std::vector<uint8_t> atom = std::vector<uint8_t>(LegacySoundRecord::kAtomMinimumSize, 0);
    std::string path;
    bool withSoundData = true;
};

bool WriteLegacySound(const std::string& file, LegacyChunks chunks) {
    const double version = LegacySoundRecord::kVersion;
    if (chunks.atom.size() >= sizeof version)
        std::memcpy(chunks.atom.data(), &version, sizeof version);
    return WriteChunks(file, [&](CRIFF& riff) {
        const std::vector<uint8_t> data(40, 1);
        bool ok = riff.WriteListChunkHeader(MakeFourCC("sndc")) && riff.Descend() &&
                  riff.WriteSubChunk(LegacySoundRecord::kAtomCode, chunks.atom.data(),
                                     static_cast<uint32_t>(chunks.atom.size())) &&
                  riff.WriteSubChunk(LegacySoundRecord::kSoundRefCode, chunks.path.data(),
                                     static_cast<uint32_t>(chunks.path.size()));
        if (chunks.withSoundData)
            ok = ok && riff.WriteSubChunk(LegacySoundRecord::kSoundDataCode, data.data(), 40);
        return ok && riff.Ascend();
    });
}

bool LegacyLoadClip(CAudioClip& clip, const std::string& path) {
    return ReadChunks(path, [&](CRIFF& riff) {
        return riff.SeekToChunk(FOURCC_LIST, MakeFourCC("sndc")) && riff.Descend() &&
               clip.LegacyLoad(riff);
    });
}

} // namespace

TEST_F(AudioClip, LegacySoundsAreFoundNextToTheProjectAndDamageIsRefused) {
    fs::copy_file(dir + "/sounds/Drum.wav", dir + "/project/Drum.wav");
    const std::string file = dir + "/legacy.riff";
    LegacyChunks chunks;
    chunks.path = "C:\\Old Songs\\Drum.wav";
    ASSERT_TRUE(WriteLegacySound(file, chunks));
    {
        ClipRef clip(doc);
        ASSERT_TRUE(LegacyLoadClip(*clip.clip, file));
        EXPECT_EQ(clip->GetFilePath(), dir + "/project/Drum.wav");
        EXPECT_EQ(clip->GetName(), "Drum");
    }
    {
        // As a session's loader holds it: the sound's LIST as plain bytes.
        RawChunk sound;
        ASSERT_TRUE(ReadChunks(file, [&](CRIFF& riff) {
            return riff.SeekToChunk(FOURCC_LIST, MakeFourCC("sndc")) && sound.ReadCurrent(riff);
        }));
        CClip* clip = CClipChunks::ReadLegacySound(doc, sound);
        ASSERT_NE(clip, nullptr);
        EXPECT_EQ(static_cast<CAudioClip*>(clip)->GetFilePath(), dir + "/project/Drum.wav");
        clip->DeleteRefObject();
        sound.body.resize(4); // the list type alone
        EXPECT_EQ(CClipChunks::ReadLegacySound(doc, sound), nullptr);
    }
    struct Damage {
        LegacyChunks chunks;
        std::string message;
    };
    LegacyChunks shortAtom = chunks;
    shortAtom.atom.resize(LegacySoundRecord::kAtomMinimumSize - 1);
    LegacyChunks noData = chunks;
    noData.withSoundData = false;
    LegacyChunks longPath = chunks;
    longPath.path = std::string(300, 'x'); // no terminator in the field
    for (const Damage& damage :
         {Damage{shortAtom, "correctly sized FOURCC_LEGACY_ATOM_CHUNK"},
          Damage{noData, "failed to find FOURCC_LEGACY_SOUND_DATA_CHUNK"},
          Damage{longPath, "Unable to find legacy sound " + std::string(259, 'x') + "."}}) {
        ASSERT_TRUE(WriteLegacySound(file, damage.chunks));
        ClipRef clip(doc);
        LogCapture log;
        EXPECT_FALSE(LegacyLoadClip(*clip.clip, file)) << damage.message;
        EXPECT_TRUE(log.Contains(damage.message)) << damage.message;
        EXPECT_TRUE(log.Contains("CAudioClip::LegacyLoad - returning false!"));
    }
}
