#include "ProjectOnWindowTest.h"
#include "TestFiles.h"
#include "ThreeNotes.h"
#include "ToneWav.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMSound.h"
#include "project/CAudioClip.h"
#include "project/CClipChunks.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CMissingSoundDialog.h"
#include "project/CPlaceholderClip.h"
#include "project/CTrack.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A chunk as a file stores it: code, size, body and pad byte.
std::string ChunkBytes(const RawChunk& chunk) {
    std::string bytes(8, '\0');
    const auto size = static_cast<uint32_t>(chunk.body.size());
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<char>(chunk.code >> (8 * i));
        bytes[static_cast<size_t>(4 + i)] = static_cast<char>(size >> (8 * i));
    }
    bytes.append(chunk.body.begin(), chunk.body.end());
    if (size % 2 != 0)
        bytes.push_back('\0');
    return bytes;
}

class PlaceholderClips : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        // Every missing sound stays missing unless a test says otherwise.
        SetMissingSoundHook([](const MissingSoundRequest&) { return MissingSoundAnswer{}; });
    }
    void TearDown() override {
        SetMissingSoundHook(nullptr);
        ProjectOnWindowTest::TearDown();
    }

    // Two audio tracks of two clips each (two sounds) and, last, a MIDI track of
    // two clips, saved as the file named.
    void MakeProject(const std::string& path) {
        WriteToneWav(m_dir + "Low.wav", 44100, 8000, 220.0);
        WriteToneWav(m_dir + "High.wav", 22050, 8000, 880.0);
        ASSERT_NE(AddClipAt(0, 0.0, m_dir + "Low.wav"), nullptr);
        ASSERT_NE(AddClipAt(0, 1500.0, m_dir + "High.wav"), nullptr);
        ASSERT_NE(AddClipAt(1, 500.0, m_dir + "High.wav"), nullptr);
        ASSERT_NE(AddClipAt(1, 3000.0, m_dir + "Low.wav"), nullptr);
        CMIDITrack* midi = m_project->AddMIDITrack(-1, false);
        ASSERT_NE(midi, nullptr);
        for (double at : {250.0, 2500.0}) {
            auto* clip = new CMIDIClip(m_project->Clips(), ThreeNotes(60));
            ASSERT_TRUE(midi->AddClip(clip, at, false));
            clip->DeleteRefObject();
        }
        ASSERT_TRUE(m_project->SaveProject(path));
    }

    bool Load(const std::string& path) {
        bool cancelled = false;
        return m_project->LoadProject(path, cancelled);
    }

    std::vector<CClip*> AllClips() const {
        std::vector<CClip*> clips;
        for (int t = 0; t < m_project->GetNumTracks(); ++t)
            for (CClip* clip : m_project->GetTrack(t)->Clips())
                clips.push_back(clip);
        return clips;
    }

    std::vector<CPlaceholderClip*> Placeholders() const {
        std::vector<CPlaceholderClip*> found;
        for (CClip* clip : AllClips())
            if (auto* placeholder = dynamic_cast<CPlaceholderClip*>(clip))
                found.push_back(placeholder);
        return found;
    }

    // One line per clip: track, kind, name, place, length and whether it is
    // a placeholder (with the chunks it keeps).
    std::string Summary() const {
        std::ostringstream out;
        for (int t = 0; t < m_project->GetNumTracks(); ++t) {
            for (const CClip* clip : m_project->GetTrack(t)->Clips()) {
                out << t << ' ' << static_cast<int>(clip->GetClipKind()) << ' ' << clip->GetName()
                    << ' ' << clip->GetStartMs() << ' ' << clip->GetLengthMs();
                if (const auto* placeholder = dynamic_cast<const CPlaceholderClip*>(clip)) {
                    out << " placeholder " << static_cast<int>(placeholder->GetReason());
                    for (const RawChunk& chunk : placeholder->CurrentChunks())
                        out << ' ' << chunk.code << ':' << chunk.body.size() << ':'
                            << std::hash<std::string>{}(
                                   std::string(chunk.body.begin(), chunk.body.end()));
                }
                out << '\n';
            }
        }
        return out.str();
    }

    // What a drag of the clip to the track and time does, as one undo step.
    void MoveAsDragged(CClip* clip, int track, double ms) {
        clip->AddRef();
        m_undo.NextUndoSet();
        clip->BeginChange();
        EXPECT_TRUE(m_project->GetTrack(track)->AddClip(clip, ms, false));
        clip->EndChange();
        clip->DeleteRefObject();
    }

    bool ShowedPartialLoad() const {
        return std::find(m_titles.begin(), m_titles.end(), "PL_PartialLoad_Title") !=
               m_titles.end();
    }

    // The first audio clip's sound is moved away, so that its clip loads as a
    // placeholder; returns the project's path.
    std::string ProjectWithMissingSound() {
        const std::string path = m_dir + "song.lt4";
        MakeProject(path);
        fs::create_directories(m_dir + "away");
        fs::rename(m_dir + "Low.wav", m_dir + "away/Low.wav");
        return path;
    }
};

TEST_F(PlaceholderClips, ADamagedCorpusKeepsEveryClipAndSavesBackUnchanged) {
    const std::string base = m_dir + "base.lt4";
    MakeProject(base);
    const std::string corpus = m_dir + "corpus";
    const std::string command = std::string("python3 '") + LOOMTONE_SOURCE_DIR +
                                "/tests/project/make_damaged_corpus.py' '" + base + "' '" + corpus +
                                "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream manifest(corpus + "/manifest.txt");
    std::string name;
    size_t intact = 0;
    size_t placeholders = 0;
    bool partial = false;
    int projects = 0;
    while (manifest >> name >> intact >> placeholders >> partial) {
        SCOPED_TRACE(name);
        ++projects;
        m_titles.clear();
        ASSERT_TRUE(Load(corpus + "/" + name));
        EXPECT_EQ(m_project->LoadWasPartial(), partial);
        EXPECT_EQ(ShowedPartialLoad(), partial);
        EXPECT_EQ(AllClips().size(), intact + placeholders);
        EXPECT_EQ(Placeholders().size(), placeholders);
        const std::string loaded = Summary();
        const std::string copy = corpus + "/saved-" + name;
        ASSERT_TRUE(m_project->SaveProject(copy));
        ASSERT_TRUE(Load(copy));
        EXPECT_EQ(Summary(), loaded);
        // Saving what was loaded from the copy writes the same file again.
        const std::string again = corpus + "/again-" + name;
        ASSERT_TRUE(m_project->SaveProject(again));
        EXPECT_EQ(ReadAll(again), ReadAll(copy));
    }
    EXPECT_GE(projects, 11);
}

TEST_F(PlaceholderClips, AClipWithoutItsSoundStaysAndIsWrittenBackAsItWasRead) {
    const std::string path = ProjectWithMissingSound();
    const std::string before = ReadAll(path);
    ASSERT_TRUE(Load(path));
    const std::vector<CPlaceholderClip*> placeholders = Placeholders();
    ASSERT_EQ(placeholders.size(), 2u);
    for (const CPlaceholderClip* placeholder : placeholders) {
        EXPECT_EQ(placeholder->GetReason(), CPlaceholderClip::Reason::kSoundUnavailable);
        EXPECT_EQ(placeholder->GetSoundPath(), m_dir + "Low.wav");
        EXPECT_EQ(placeholder->GetName(), "Low");
        EXPECT_NEAR(placeholder->GetLengthMs(), 1000.0, 1.0);
        EXPECT_TRUE(placeholder->IsMovable());
    }
    EXPECT_EQ(placeholders[0]->GetStartMs(), 0.0);
    EXPECT_EQ(placeholders[1]->GetStartMs(), 3000.0);
    EXPECT_TRUE(m_project->LoadWasPartial());
    ASSERT_TRUE(m_project->SaveProject(path));
    const std::string after = ReadAll(path);
    // Each placeholder's chunks, header and all, stand in the new file as
    // they stood in the old one.
    for (const CPlaceholderClip* placeholder : placeholders) {
        for (const RawChunk& chunk : placeholder->CurrentChunks()) {
            const std::string stored = ChunkBytes(chunk);
            EXPECT_NE(before.find(stored), std::string::npos);
            EXPECT_NE(after.find(stored), std::string::npos);
        }
    }
    EXPECT_FALSE(m_project->LoadWasPartial());
}

TEST_F(PlaceholderClips, APlaceholderShowsItsNameAMarkAndWhatIsMissing) {
    ASSERT_TRUE(Load(ProjectWithMissingSound()));
    CPlaceholderClip* placeholder = Placeholders().at(0);
    EXPECT_NE(placeholder->GetLabelText().find("Low"), std::string::npos);
    EXPECT_NE(placeholder->GetLabelText().find(MyLoadString("Clip_SoundMissing")),
              std::string::npos);
    std::string tip;
    ASSERT_TRUE(placeholder->GetToolTip({5, 30}, tip));
    EXPECT_NE(tip.find(m_dir + "Low.wav"), std::string::npos) << tip;
    // Its width is its length at the zoom level; its body carries red
    // hatching.
    EXPECT_EQ(placeholder->GetWidth(),
              static_cast<int32_t>(placeholder->GetLengthMs() / m_project->MsPerPixel()));
    m_host.Advance(100);
    const int32_t left = placeholder->GetAbsX();
    const int32_t top = placeholder->GetAbsY() + CClip::kTitleStripHeight;
    const int32_t width = std::min(placeholder->GetWidth(), 200);
    int red = 0;
    for (int32_t y = top; y < placeholder->GetAbsY() + placeholder->GetHeight(); ++y)
        for (int32_t x = left; x < left + width; ++x) {
            const uint32_t pixel = m_host.ScreenPixel(x, y);
            const int rr = (pixel >> 16) & 0xFF, gg = (pixel >> 8) & 0xFF, bb = pixel & 0xFF;
            red += rr > 150 && gg < 100 && bb < 100;
        }
    EXPECT_GT(red, width);
}

TEST_F(PlaceholderClips, APlaceholderPlaysNothing) {
    ASSERT_TRUE(Load(ProjectWithMissingSound()));
    for (CPlaceholderClip* placeholder : Placeholders()) {
        CAudioAtom* atom = placeholder->GetEngineAtom();
        ASSERT_NE(atom, nullptr);
        // The mixer plays sounds and MIDI sounds; this is neither.
        EXPECT_EQ(dynamic_cast<CPCMSound*>(atom), nullptr);
        EXPECT_EQ(dynamic_cast<CMidiSound*>(atom), nullptr);
    }
}

TEST_F(PlaceholderClips, AMovedPlaceholderKeepsEveryByteButItsPosition) {
    const std::string path = ProjectWithMissingSound();
    ASSERT_TRUE(Load(path));
    CPlaceholderClip* placeholder = Placeholders().at(1);
    const std::vector<RawChunk> read = placeholder->CurrentChunks();
    MoveAsDragged(placeholder, 0, 4250.0);
    EXPECT_EQ(placeholder->GetTrackIndex(), 0);
    const std::vector<RawChunk> moved = placeholder->CurrentChunks();
    ASSERT_EQ(moved.size(), read.size());
    EXPECT_EQ(moved[1], read[1]);
    ASSERT_EQ(moved[0].body.size(), read[0].body.size());
    std::vector<size_t> changed;
    for (size_t i = 0; i < read[0].body.size(); ++i)
        if (moved[0].body[i] != read[0].body[i])
            changed.push_back(i);
    ASSERT_FALSE(changed.empty());
    // Only the position, a double at 536 in a current record.
    EXPECT_GE(changed.front(), 536u);
    EXPECT_LT(changed.back(), 544u);

    ASSERT_TRUE(m_project->SaveProject(path));
    ASSERT_TRUE(Load(path));
    ASSERT_EQ(m_project->GetTrack(0)->Clips().size(), 3u);
    EXPECT_EQ(m_project->GetTrack(0)->Clips().back()->GetStartMs(), 4250.0);
    EXPECT_TRUE(m_project->GetTrack(1)->Clips().size() == 1u);

    // The move is undone like any other.
    CPlaceholderClip* again = Placeholders().at(1);
    MoveAsDragged(again, 1, 100.0);
    m_undo.Undo();
    EXPECT_EQ(again->GetStartMs(), 4250.0);
    EXPECT_EQ(again->GetTrackIndex(), 0);
}

TEST_F(PlaceholderClips, ADeletedPlaceholderIsGoneFromTheFileAndComesBackWithUndo) {
    const std::string path = ProjectWithMissingSound();
    ASSERT_TRUE(Load(path));
    CPlaceholderClip* placeholder = Placeholders().at(0);
    m_project->SelectClip(placeholder, false);
    m_project->DeleteSelection();
    EXPECT_EQ(Placeholders().size(), 1u);
    m_undo.Undo();
    ASSERT_EQ(Placeholders().size(), 2u);
    m_undo.Redo();
    ASSERT_TRUE(m_project->SaveProject(path));
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(Placeholders().size(), 1u);
    EXPECT_EQ(AllClips().size(), 5u);
}

TEST_F(PlaceholderClips, ASoundThatTurnsUpReplacesItsPlaceholderWhereItWasMoved) {
    const std::string path = ProjectWithMissingSound();
    ASSERT_TRUE(Load(path));
    MoveAsDragged(Placeholders().at(0), 0, 6000.0);
    // Nothing turned up yet.
    EXPECT_EQ(m_project->ResolveMissingSounds(), 0);
    SetMissingSoundHook([this](const MissingSoundRequest&) {
        return MissingSoundAnswer{MissingSoundChoice::kBrowsed, m_dir + "away/Low.wav"};
    });
    EXPECT_EQ(m_project->ResolveMissingSounds(), 2);
    EXPECT_TRUE(Placeholders().empty());
    const std::vector<CClip*>& clips = m_project->GetTrack(0)->Clips();
    ASSERT_EQ(clips.size(), 2u);
    auto* found = dynamic_cast<CAudioClip*>(clips.back());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetStartMs(), 6000.0);
    EXPECT_EQ(found->GetFilePath(), m_dir + "away/Low.wav");
    EXPECT_TRUE(m_undo.IsDirty());
    // One undo step brings the placeholders back.
    m_undo.Undo();
    EXPECT_EQ(Placeholders().size(), 2u);
    EXPECT_EQ(AllClips().size(), 6u);
}

TEST_F(PlaceholderClips, APlaceholderOfAnUnreadableRecordStaysWhereItIsShown) {
    const RawChunk record{MakeFourCC("ClpA"), std::vector<uint8_t>(100, 0xEE)};
    auto* clip = CClipChunks::Read(m_project->Clips(), {record});
    auto* placeholder = dynamic_cast<CPlaceholderClip*>(clip);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->GetReason(), CPlaceholderClip::Reason::kRecordDamaged);
    EXPECT_FALSE(placeholder->IsMovable());
    EXPECT_TRUE(placeholder->IsLocked());
    EXPECT_EQ(placeholder->GetStartMs(), 0.0);
    EXPECT_EQ(placeholder->GetLengthMs(), CPlaceholderClip::kUnknownLengthMs);
    ASSERT_TRUE(m_project->GetTrack(0)->AddClip(placeholder, 0.0, false));
    EXPECT_EQ(placeholder->CurrentChunks(), std::vector<RawChunk>{record});
    clip->DeleteRefObject();
}

} // namespace
