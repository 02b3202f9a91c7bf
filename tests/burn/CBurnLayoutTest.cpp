#include "burn/CBurnLayout.h"
#include "burn/CCueSheet.h"

#include "gui/MessageBoxes.h"
#include "support/LocalizedStrings.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

CBurnLayout::Marker CdMarker(double timeMs, std::string title = "", std::string isrc = "") {
    return {timeMs, std::move(title), std::move(isrc), true};
}

CBurnLayout::Request WholeProject(std::vector<CBurnLayout::Marker> markers, double endMs) {
    CBurnLayout::Request request;
    request.markers = std::move(markers);
    request.projectEndMs = endMs;
    return request;
}

// Answers every message box and counts the boxes with that title key.
class BoxCounter {
public:
    explicit BoxCounter(const std::string& titleKey) {
        SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini");
        const std::string title = MyLoadString(titleKey);
        SetMessageBoxHook([this, title](const MessageBoxRequest& request, bool&) {
            if (request.title == title)
                ++count;
            else
                ++others;
            return IDOK;
        });
    }
    ~BoxCounter() { SetMessageBoxHook(nullptr); }
    int count = 0;
    int others = 0;
};

using Spans = std::vector<std::pair<int32_t, int32_t>>;

Spans SpansOf(const CBurnLayout& layout) {
    Spans spans;
    for (const BurnTrack& track : layout.Tracks()) {
        EXPECT_EQ(track.length, track.end - track.start);
        spans.emplace_back(track.start, track.end);
    }
    return spans;
}

} // namespace

TEST(BurnLayout, CdMarkersMakeTracksFromTheirTimesToTheNext) {
    CBurnLayout layout;
    auto request = WholeProject({CdMarker(0, "One", "USABC0000001"),
                                 {30000, "not a track", "", false},
                                 CdMarker(60000, "Two"),
                                 CdMarker(125500, "Three")},
                                200000);
    layout.PrepareBurn(request);
    EXPECT_EQ(layout.RangeStart(), 0);
    EXPECT_EQ(layout.Length(), 200000);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 60000}, {60000, 125500}, {125500, 200000}}));
    EXPECT_EQ(layout.Tracks()[0].title, "One");
    EXPECT_EQ(layout.Tracks()[0].isrc, "USABC0000001");
    EXPECT_EQ(layout.Tracks()[2].title, "Three");
}

TEST(BurnLayout, MarkersCloserThanFourSecondsAreDroppedWithTheLogLine) {
    LogCapture log;
    CBurnLayout layout;
    layout.PrepareBurn(WholeProject(
        {CdMarker(0), CdMarker(3999), CdMarker(4000), CdMarker(7000), CdMarker(20000)}, 30000));
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 4000}, {4000, 20000}, {20000, 30000}}));
    EXPECT_TRUE(log.Contains("Skipping marker 1 because it was too short!  (All tracks must be "
                             "at least 4 seconds long for audio CD)"));
    EXPECT_TRUE(log.Contains("Skipping marker 3 because it was too short!"));
    EXPECT_FALSE(log.Contains("Skipping marker 2 "));
}

TEST(BurnLayout, NoMarkerGivesOneTrackOverTheWholeRange) {
    CBurnLayout layout;
    layout.PrepareBurn(WholeProject({{0, "start", "", false}}, 95000));
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 95000}}));
}

TEST(BurnLayout, BurnAsOneTrackKeepsOnlyTheFirst) {
    CBurnLayout layout;
    auto request = WholeProject({CdMarker(0, "A"), CdMarker(10000, "B")}, 50000);
    request.burnAsOne = true;
    layout.PrepareBurn(request);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 50000}}));
    EXPECT_EQ(layout.Tracks()[0].title, "A");
}

TEST(BurnLayout, TheMarkerPlayingAtTheSelectionStartBeginsTheFirstTrack) {
    CBurnLayout layout;
    auto request =
        WholeProject({CdMarker(0, "A"), CdMarker(30000, "B"), CdMarker(60000, "C")}, 100000);
    request.selection = true;
    request.selectionStartMs = 40000;
    request.selectionEndMs = 90000;
    layout.PrepareBurn(request);
    EXPECT_EQ(layout.RangeStart(), 40000);
    EXPECT_EQ(layout.Length(), 50000);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 20000}, {20000, 50000}}));
    EXPECT_EQ(layout.Tracks()[0].title, "B");
    EXPECT_EQ(layout.Tracks()[1].title, "C");
}

TEST(BurnLayout, ASelectionStartingLessThanFourSecondsBeforeABoundaryMovesBack) {
    CBurnLayout layout;
    auto request = WholeProject({CdMarker(0, "A"), CdMarker(30000, "B")}, 100000);
    request.selection = true;
    request.selectionStartMs = 28500;
    request.selectionEndMs = 80000;
    layout.PrepareBurn(request);
    EXPECT_EQ(layout.RangeStart(), 26000);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 4000}, {4000, 54000}}));
    EXPECT_EQ(layout.Tracks()[0].title, "A");

    // The range end is a boundary too; the range never starts before 0.
    request.selectionStartMs = 1000;
    request.selectionEndMs = 3000;
    layout.PrepareBurn(request);
    EXPECT_EQ(layout.RangeStart(), 0);
    EXPECT_EQ(layout.Length(), 3000);
    EXPECT_TRUE(layout.TooShort());
}

TEST(BurnLayout, TheCapacityCutsTheRangeAndTheTracksPastIt) {
    LogCapture log;
    CBurnLayout layout;
    auto request = WholeProject({CdMarker(0), CdMarker(3000000), CdMarker(4500000)}, 5000000);
    request.forBurn = true;
    layout.PrepareBurn(request);
    EXPECT_TRUE(layout.WasCut());
    EXPECT_EQ(layout.Length(), CBurnLayout::kDefaultCapacityMs);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 3000000}, {3000000, 4440000}}));
    EXPECT_TRUE(log.Contains("CMixBurner::PrepareBurn() - new maxLength=4440000"));

    request.capacityMs = 4800000;
    layout.PrepareBurn(request);
    EXPECT_EQ(layout.Length(), 4800000);
    EXPECT_EQ(layout.Tracks().size(), 3u);

    // Only the layout of a burn is cut; a disc image is not.
    request.projectEndMs = 4000000;
    layout.PrepareBurn(request);
    EXPECT_FALSE(layout.WasCut());
    EXPECT_TRUE(log.Contains("CMixBurner::PrepareBurn() - project fits on 1 CD"));
    request.forBurn = false;
    request.projectEndMs = 6000000;
    layout.PrepareBurn(request);
    EXPECT_EQ(layout.Length(), 6000000);
}

TEST(BurnLayout, AShortLastTrackIsMergedAfterTheQuestion) {
    BoxCounter boxes("BD_ShortTrackTitle");
    CBurnLayout layout;
    layout.PrepareBurn(WholeProject({CdMarker(0), CdMarker(10000), CdMarker(20000)}, 23000));
    EXPECT_EQ(boxes.count, 1);
    EXPECT_EQ(boxes.others, 0);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 10000}, {10000, 23000}}));

    // The capacity cut can leave a short last track as well.
    auto request = WholeProject({CdMarker(0), CdMarker(4438000)}, 4500000);
    request.forBurn = true;
    layout.PrepareBurn(request);
    EXPECT_EQ(boxes.count, 2);
    EXPECT_EQ(SpansOf(layout), (Spans{{0, 4440000}}));

    // A single short track is left alone: the range is too short.
    layout.PrepareBurn(WholeProject({CdMarker(0)}, 2000));
    EXPECT_EQ(boxes.count, 2);
    EXPECT_TRUE(layout.TooShort());
}

TEST(CueSheet, TextIsByteExactWithCrLfLineEnds) {
    std::vector<BurnTrack> tracks(3);
    tracks[0] = {"Opening", "/tmp/burn/tmp1.wav", 0, 60000, 60000, "USABC2600001"};
    tracks[1] = {"Middle", "/tmp/burn/tmp2.wav", 60000, 125500, 65500, ""};
    tracks[2] = {"Closing", "/tmp/burn/tmp3.wav", 125500, 200000, 74500, "USABC2600003"};
    LogCapture log;
    const std::string text = CCueSheet::Build("My Album", tracks);
    EXPECT_EQ(text, "TITLE \"My Album\"\r\n"
                    "FILE \"/tmp/burn/tmp1.wav\" WAVE\r\n"
                    "  TRACK 01 AUDIO\r\n"
                    "    INDEX 01 00:00:00\r\n"
                    "    ISRC USABC2600001\r\n"
                    "      TITLE \"Opening\"\r\n"
                    "FILE \"/tmp/burn/tmp2.wav\" WAVE\r\n"
                    "  TRACK 02 AUDIO\r\n"
                    "    INDEX 01 00:00:00\r\n"
                    "      TITLE \"Middle\"\r\n"
                    "FILE \"/tmp/burn/tmp3.wav\" WAVE\r\n"
                    "  TRACK 03 AUDIO\r\n"
                    "    INDEX 01 00:00:00\r\n"
                    "    ISRC USABC2600003\r\n"
                    "      TITLE \"Closing\"\r\n");
    const auto lines = log.Lines();
    ASSERT_GE(lines.size(), 17u);
    EXPECT_NE(lines.front().find("CBurner::MyBuildCueSheet() - Creating cue sheet...."),
              std::string::npos);
    EXPECT_NE(lines.back().find("CBurner::MyBuildCueSheet() - End cue sheet."), std::string::npos);
    EXPECT_TRUE(log.Contains("  TRACK 02 AUDIO"));
}

TEST(CueSheet, AlbumTitleFallsBackToTheProjectNameThenTheDefault) {
    SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini");
    EXPECT_EQ(CCueSheet::AlbumTitle("Entered", "/a/b/song.lt4"), "Entered");
    EXPECT_EQ(CCueSheet::AlbumTitle("", "/a/b/song.lt4"), "song");
    EXPECT_EQ(CCueSheet::AlbumTitle("", ""), MyLoadString("BD_DefaultTitle"));
    EXPECT_FALSE(MyLoadString("BD_DefaultTitle").empty());
}
