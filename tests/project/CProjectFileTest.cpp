#include "project/CProjectFile.h"
#include "TestFiles.h"

#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "project/FrozenFilePath.h"
#include "project/ProgressSink.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string TempFile(const std::string& name) {
    fs::create_directories(LOOMTONE_TEST_TMP);
    return std::string(LOOMTONE_TEST_TMP) + "/projectfile-" + name;
}

void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

// Offset of the body of the first chunk with this code.
size_t BodyOf(const Bytes& b, const char (&code)[5]) {
    const auto at = std::search(b.begin() + 12, b.end(), code, code + 4);
    EXPECT_NE(at, b.end()) << code;
    return static_cast<size_t>(at - b.begin()) + 8;
}

RawChunk Chunk(const char (&code)[5], Bytes body) {
    return RawChunk{MakeFourCC(code), std::move(body)};
}

// A LIST "ClpM" holding one "CpMD" chunk of four bytes.
RawChunk MidiClipList() {
    Bytes body = {'C', 'l', 'p', 'M', 'C', 'p', 'M', 'D', 4, 0, 0, 0, 1, 2, 3, 4};
    return RawChunk{FOURCC_LIST, body};
}

ProjectFileContents SampleContents() {
    ProjectFileContents c;
    c.project.title = "Sample";
    c.project.recordingFolder = "/rec/";
    c.project.masterVolume = 0.5;
    c.masterChain->Insert(std::make_unique<CGainEffect>(), -1);
    MarkerRecord start;
    start.name = "Start";
    start.tempoEvent = {0.0, 120.0, 3, 4, 4, true, true, true, 1};
    MarkerRecord verse;
    verse.time = 8000;
    verse.name = "Verse";
    verse.tempoEvent.time = 8000;
    c.markers.markers = {start, verse};

    AudioTrackRecord guitar;
    guitar.name = "Guitar";
    TrackFileContents& audio = c.tracks.emplace_back(guitar);
    audio.clipChunks = {Chunk("ClpA", Bytes(968, 7)), Chunk("Envl", Bytes(9, 1)),
                        Chunk("ClpA", Bytes(968, 8))};
    MidiTrackRecord piano;
    piano.name = "Piano";
    TrackFileContents& midi = c.tracks.emplace_back(piano);
    midi.instrumentEffects->Insert(std::make_unique<CGainEffect>(), -1);
    midi.clipChunks = {MidiClipList(), Chunk("Envl", Bytes(8, 2))};
    AudioTrackRecord empty;
    empty.name = "Empty";
    c.tracks.emplace_back(empty);
    return c;
}

Bytes SaveToBytes(ProjectFileContents& contents, const std::string& name) {
    const std::string path = TempFile(name);
    fs::remove(path);
    EXPECT_TRUE(CProjectFile(contents).SaveToFile(path));
    return ReadAll<Bytes>(path);
}

const Bytes& SampleFile() {
    static const Bytes bytes = [] {
        ProjectFileContents contents = SampleContents();
        return SaveToBytes(contents, "sample.lt4");
    }();
    return bytes;
}

size_t ClipChunkCount(const ProjectFileContents& c) {
    size_t count = 0;
    for (const TrackFileContents& track : c.tracks)
        count += track.clipChunks.size();
    return count;
}

TEST(CProjectFileTest, WriteReadWriteIsByteIdentical) {
    const Bytes& first = SampleFile();
    ProjectFileContents read;
    CProjectFile file(read);
    ASSERT_TRUE(file.LoadFromMemory(first.data(), first.size()));
    ASSERT_EQ(read.tracks.size(), 3u);
    EXPECT_FALSE(read.tracks[0].IsMidi());
    EXPECT_TRUE(read.tracks[1].IsMidi());
    EXPECT_EQ(read.tracks[0].Audio()->clipCount, 2u);
    EXPECT_EQ(read.tracks[1].Midi()->clipCount, 1u);
    EXPECT_EQ(read.tracks[1].clipChunks[0], MidiClipList());
    EXPECT_EQ(read.tracks[1].instrumentEffects->NumEffects(), 1);
    EXPECT_EQ(read.masterChain->NumEffects(), 1);
    EXPECT_EQ(read.markers.markers.size(), 2u);
    EXPECT_EQ(read.project.audioTrackCount, 2u);
    EXPECT_EQ(read.project.midiTrackCount, 1u);
    EXPECT_EQ(read.skippedTracks, 0u);
    EXPECT_EQ(SaveToBytes(read, "again.lt4"), first);
}

TEST(CProjectFileTest, EmptyProjectHoldsProjectChainAndMarkersOnly) {
    ProjectFileContents empty;
    const Bytes b = SaveToBytes(empty, "empty.lt4");
    EXPECT_EQ(std::memcmp(&b[8], "LTC3PROJ", 8), 0);
    const size_t chain = 12 + 8 + 2656;
    EXPECT_EQ(std::memcmp(&b[chain], "EfxL", 4), 0);
    const size_t chainSize = b[chain + 4] | b[chain + 5] << 8;
    EXPECT_EQ(std::memcmp(&b[chain + 8 + chainSize], "Mark", 4), 0);
    EXPECT_EQ(b.size(), chain + 8 + chainSize + 8 + 80);
}

// Cutting a valid file anywhere never reads beyond it: the load either fails
// with a reason, or reads what is there and reports what was lost. Cut files
// are tried as they are (the form size then runs past the end) and with the
// form size patched to match.
void ExpectCutFileFailsOrReportsLoss(const Bytes& cut) {
    ProjectFileContents read;
    CProjectFile file(read);
    if (file.LoadFromMemory(cut.data(), cut.size()))
        EXPECT_TRUE(read.skippedTracks > 0 || ClipChunkCount(read) < 5) << cut.size();
    else
        EXPECT_NE(file.LastError(), ProjectReadError::None) << cut.size();
}

TEST(CProjectFileTest, EveryTruncationFailsClearlyOrReportsWhatWasLost) {
    const Bytes& whole = SampleFile();
    for (size_t size = 0; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        ExpectCutFileFailsOrReportsLoss(cut);
        if (size >= 12) {
            PutU32(cut, 4, static_cast<uint32_t>(size - 8));
            ExpectCutFileFailsOrReportsLoss(cut);
        }
    }
}

TEST(CProjectFileTest, CountsBeyondTheChunksPresentAreNotTrusted) {
    Bytes b = SampleFile();
    const size_t project = BodyOf(b, "PROJ");
    PutU32(b, project + 2576, 0xFFFFFFFF);
    PutU32(b, project + 2592, 0xFFFFFFFF);
    PutU32(b, BodyOf(b, "TrkA") + 836, 0xFFFFFFFF);
    ProjectFileContents read;
    ASSERT_TRUE(CProjectFile(read).LoadFromMemory(b.data(), b.size()));
    ASSERT_EQ(read.tracks.size(), 3u);
    EXPECT_EQ(read.skippedTracks, 2ull * 0xFFFFFFFF - 3);
    EXPECT_EQ(read.tracks[0].Audio()->clipCount, 2u);
}

TEST(CProjectFileTest, UnreadableTrackIsSkippedAndTheOthersLoad) {
    Bytes b = SampleFile();
    b[BodyOf(b, "TrkM")] ^= 0x40; // damage the MIDI track's version
    ProjectFileContents read;
    CProjectFile file(read);
    ASSERT_TRUE(file.LoadFromMemory(b.data(), b.size()));
    EXPECT_EQ(read.skippedTracks, 1u);
    ASSERT_EQ(read.tracks.size(), 2u);
    EXPECT_EQ(read.tracks[1].Audio()->name, "Empty");
}

TEST(CProjectFileTest, DamagedMarkersFailTheLoad) {
    Bytes b = SampleFile();
    PutU32(b, BodyOf(b, "Mark") + 8, 3); // one marker more than the chunk holds
    ProjectFileContents read;
    CProjectFile file(read);
    EXPECT_FALSE(file.LoadFromMemory(b.data(), b.size()));
    EXPECT_EQ(file.LastError(), ProjectReadError::CountDoesNotFit);
    EXPECT_TRUE(read.tracks.empty()); // contents change only on success
}

// Cancels the operation once it has got this far.
class CancellingSink : public ProgressSink {
public:
    explicit CancellingSink(int atPercent) : m_atPercent(atPercent) {}

protected:
    void OnPercentChanged(int percent) override {
        if (percent >= m_atPercent)
            Cancel();
    }

private:
    int m_atPercent;
};

TEST(CProjectFileTest, SaveCancelledMidwayLeavesTheUsersFileAsItWas) {
    const std::string path = TempFile("cancelled.lt4");
    WriteAll(path, Bytes{'o', 'l', 'd'});
    fs::remove(path + ".backup");
    ProjectFileContents contents = SampleContents();
    CProjectFile file(contents);
    CancellingSink sink(40);
    file.SetProgressSink(&sink);
    EXPECT_FALSE(file.SaveToFile(path));
    EXPECT_EQ(ReadAll<Bytes>(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(path + ".backup"));
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), {}),
              std::count_if(fs::directory_iterator(fs::path(path).parent_path()), {},
                            [](const fs::directory_entry& e) {
                                return e.path().string().find(".saving-") == std::string::npos;
                            }));

    sink.Reset();
    file.SetProgressSink(nullptr);
    ASSERT_TRUE(file.SaveToFile(path));
    EXPECT_EQ(ReadAll<Bytes>(path + ".backup"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(ReadAll<Bytes>(path), SampleFile());
}

TEST(CProjectFileTest, LoadReportsProgressAndStopsWhenCancelled) {
    const std::string path = TempFile("progress.lt4");
    WriteAll(path, SampleFile());
    ProjectFileContents read;
    CProjectFile file(read);
    CancellingSink sink(50);
    file.SetProgressSink(&sink);
    EXPECT_FALSE(file.LoadFromFile(path));
    EXPECT_EQ(file.LastError(), ProjectReadError::Cancelled);
    EXPECT_GE(sink.Percent(), 50);
}

// A minimal legacy session: the sound group LIST first (markers, sound count,
// information and one sound), then the track data and the effect list.
Bytes LegacySession(uint32_t trackCount) {
    const std::string path = TempFile("legacy.lt3");
    auto* fileObj = new CFileObj;
    auto* riff = new CRIFF;
    EXPECT_TRUE(fileObj->Create(path) && riff->Create(fileObj, MakeFourCC("sess")));
    riff->WriteListChunkHeader(MakeFourCC("sgrp"));
    Bytes markers(4 + 168, 0);
    PutU32(markers, 0, 1);
    std::memcpy(&markers[4 + 4], "Intro", 5);
    PutU32(markers, 4 + 132, 1);
    PutU32(markers, 4 + 140, 0x00ABCDEF);
    std::memcpy(&markers[4 + 144], "ISRC1", 5);
    riff->WriteSubChunk(MakeFourCC("tmk2"), markers.data(), static_cast<uint32_t>(markers.size()));
    const Bytes soundCount = {1, 0, 0, 0};
    riff->WriteSubChunk(MakeFourCC("sgdt"), soundCount.data(), 4);
    Bytes info(2152, 0);
    std::memcpy(info.data(), "Old notes", 9);
    riff->WriteSubChunk(MakeFourCC("sgif"), info.data(), static_cast<uint32_t>(info.size()));
    riff->WriteListChunkHeader(MakeFourCC("sndc"));
    riff->WriteSubChunk(MakeFourCC("snd "), "abc", 3);
    riff->Ascend();
    riff->Ascend();
    Bytes tracks(16 + 288, 0);
    PutU32(tracks, 8, trackCount);
    PutU32(tracks, 12, 80);
    PutU32(tracks, 16 + 8, 1);
    PutU32(tracks, 16 + 20, 77);
    std::memcpy(&tracks[16 + 24], "Drums", 5);
    PutU32(tracks, 16 + 280, 50);
    PutU32(tracks, 16 + 284, static_cast<uint32_t>(-25));
    riff->WriteSubChunk(MakeFourCC("thtd"), tracks.data(), static_cast<uint32_t>(tracks.size()));
    riff->WriteListChunkHeader(MakeFourCC("thel"));
    riff->WriteSubChunk(MakeFourCC("thed"), "effect", 6);
    riff->Ascend();
    EXPECT_TRUE(riff->Close());
    riff->DeleteRefObject();
    fileObj->DeleteRefObject();
    return ReadAll<Bytes>(path);
}

TEST(CProjectFileTest, LegacySessionLoadsIntoTheSameContents) {
    const Bytes b = LegacySession(1);
    ProjectFileContents read;
    CProjectFile file(read);
    file.SetLegacyStartEvent({0.0, 100.0, 5, 3, 4, false, false, false, 1});
    ASSERT_TRUE(file.LoadFromMemory(b.data(), b.size())) << ProjectReadErrorText(file.LastError());
    EXPECT_TRUE(read.legacySession);
    EXPECT_EQ(read.project.masterVolume, 0.8);
    EXPECT_EQ(read.project.comments, "Old notes");
    ASSERT_EQ(read.tracks.size(), 1u);
    const AudioTrackRecord& drums = *read.tracks[0].Audio();
    EXPECT_EQ(drums.name, "Drums");
    EXPECT_TRUE(drums.mute);
    EXPECT_EQ(drums.volume, 0.5);
    EXPECT_EQ(drums.pan, -0.25);
    EXPECT_EQ(read.tracks[0].legacyEngineValue, 77u);
    ASSERT_EQ(read.markers.markers.size(), 1u);
    const MarkerRecord& intro = read.markers.markers[0];
    EXPECT_EQ(intro.name, "Intro");
    EXPECT_EQ(intro.isrc, "ISRC1");
    EXPECT_EQ(intro.colour, 0x00ABCDEFu);
    EXPECT_EQ(intro.tempoEvent.tempo, 120.0); // the later marker form starts at 120
    EXPECT_EQ(intro.tempoEvent.key, 5);
    EXPECT_TRUE(intro.tempoEvent.tempoChange && intro.tempoEvent.keyChange);
    ASSERT_EQ(read.legacySounds.size(), 1u);
    EXPECT_EQ(read.legacySounds[0].ListType(), MakeFourCC("sndc"));
    ASSERT_EQ(read.legacyEffects.size(), 1u);
    EXPECT_EQ(read.legacyEffects[0].body, (Bytes{'e', 'f', 'f', 'e', 'c', 't'}));

    const Bytes hostile = LegacySession(2); // one track record more than the chunk holds
    EXPECT_FALSE(file.LoadFromMemory(hostile.data(), hostile.size()));
    EXPECT_EQ(file.LastError(), ProjectReadError::CountDoesNotFit);
}

TEST(FrozenFilePathTest, OnlyOwnFrozenFilesInTheRecordingFolderAreAccepted) {
    const std::string made = MakeFrozenFilePath("/home/me/rec/", 3, 7, 3, 2009, 12);
    EXPECT_EQ(made, "/home/me/rec/frozen-track03 7-3-2009-ID12.WAV");
    EXPECT_TRUE(IsOwnFrozenFilePath(made, "/home/me/rec/"));
    EXPECT_TRUE(IsOwnFrozenFilePath(made, "/home/me/rec"));
    EXPECT_FALSE(IsOwnFrozenFilePath(made, "/home/me/"));
    EXPECT_FALSE(IsOwnFrozenFilePath("/home/me/rec/../.bashrc", "/home/me/rec/"));
    EXPECT_FALSE(IsOwnFrozenFilePath("/home/me/frozen-track03 7-3-2009-ID12.WAV", "/home/me/rec/"));
    EXPECT_FALSE(
        IsOwnFrozenFilePath("/home/me/rec/../frozen-track03 7-3-2009-ID12.WAV", "/home/me/rec/"));
    EXPECT_FALSE(IsOwnFrozenFilePath("/home/me/rec/song.wav", "/home/me/rec/"));
    EXPECT_FALSE(
        IsOwnFrozenFilePath("/home/me/rec/frozen-track03 7-3-2009-ID12.WAV.sh", "/home/me/rec/"));
    EXPECT_FALSE(IsOwnFrozenFilePath("rec/frozen-track03 7-3-2009-ID12.WAV", "rec/"));
}

} // namespace
