// Editing on the timeline on a virtual display: a range selected on the
// ruler is cut, pasted on another track, the pasted clip gets an envelope
// point that is then dragged, and all of it is there after a save and a
// restart.

#include "EditorOnDisplay.h"
#include "SoundProject.h"
#include "engine/CEnvelope.h"
#include "project/CGuiEnvelope.h"
#include "project/CTimeSelection.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <optional>

namespace {

constexpr double kCutFromMs = 1000.0;
constexpr double kCutToMs = 2000.0;
constexpr int32_t kPointDragUp = 12;

// What the restarted editor finds.
struct TimelineFound {
    std::vector<std::pair<double, double>> firstTrack; // start and length of each clip
    std::vector<std::pair<double, double>> secondTrack;
    std::vector<EnvelopePoint> pastedVolume;
};

std::vector<std::pair<double, double>> ClipsOn(const CProject& project, int track) {
    std::vector<std::pair<double, double>> clips;
    for (const CClip* clip : project.GetTrack(track)->Clips())
        clips.emplace_back(clip->GetStartMs(), clip->GetLengthMs());
    std::sort(clips.begin(), clips.end());
    return clips;
}

TimelineFound Find(CProject& project) {
    TimelineFound found;
    found.firstTrack = ClipsOn(project, 0);
    found.secondTrack = ClipsOn(project, 1);
    if (!project.GetTrack(1)->Clips().empty()) {
        CEnvelope* volume = project.GetTrack(1)->Clips().front()->GetEnvelopeByType(0);
        EnvelopePoint point;
        for (int i = 0; volume && volume->GetPointAtIndex(i, point); ++i)
            found.pastedVolume.push_back(point);
    }
    return found;
}

// A window point on the ruler at a heard time.
GuiPoint OnRuler(CProject& project, double heardMs) {
    CTimeGrid& grid = project.TimeGrid();
    return {grid.GetAbsX() + int32_t(heardMs / project.MsPerPixel()), grid.GetAbsY() + 30};
}

// The window point of the envelope line in the middle of a clip.
std::optional<GuiPoint> LineInTheMiddle(const CClip& clip) {
    const CGuiEnvelope& editor = clip.GetEnvelopeEditor();
    const int32_t x = editor.GetWidth() / 2;
    for (int32_t y = 0; y < editor.GetHeight(); ++y)
        if (editor.IsOnLine({x, y}))
            return GuiPoint{editor.GetAbsX() + x, editor.GetAbsY() + y + 1};
    return std::nullopt;
}

void Drag(GuiPoint from, GuiPoint to) {
    PushMouse(SDL_MOUSEMOTION, from);
    PushMouse(SDL_MOUSEBUTTONDOWN, from);
    for (int part = 1; part <= 4; ++part)
        PushMouse(SDL_MOUSEMOTION,
                  {from.x + (to.x - from.x) * part / 4, from.y + (to.y - from.y) * part / 4});
    PushMouse(SDL_MOUSEBUTTONUP, to);
}

std::vector<ScriptedUser::Step> TimelineSession(LoomtoneApp& app, const std::string& file,
                                                double& pastedAt) {
    const fs::file_time_type loadedVersion = fs::last_write_time(file);
    LoomtoneMainWindow& window = *app.MainWindow();
    CProject& project = *app.Project();
    auto idle = [&window] { return window.TopLayer() == nullptr && !window.GetCaptured(); };
    auto pasted = [&project]() -> CClip* {
        const auto& clips = project.GetTrack(1)->Clips();
        return clips.empty() ? nullptr : clips.front();
    };
    auto volumePoints = [pasted] {
        CEnvelope* volume = pasted() ? pasted()->GetEnvelopeByType(0) : nullptr;
        return volume ? volume->GetNumPoints() : 0;
    };
    return {
        {"the loaded project", [idle, &project] { return idle() && project.GetNumTracks() > 1; },
         [&project] { Drag(OnRuler(project, kCutFromMs), OnRuler(project, kCutToMs)); }},
        {"the time selected on the ruler",
         [idle, &project] { return idle() && project.TimeSelection().IsActive(); },
         [] { PushKey(SDLK_x, KMOD_LCTRL); }},
        {"the cut", [&project] { return project.GetTrack(0)->Clips().size() == 2; },
         [&project] {
             const CTrackBody& body = *project.GetTrack(1)->GetBody();
             Click({body.GetAbsX() + int32_t(3000.0 / project.MsPerPixel()),
                    body.GetAbsY() + body.GetHeight() / 2});
         }},
        {"the second track selected",
         [idle, &project] { return idle() && project.GetLastSelectedTrack() == 1; },
         [&project, &pastedAt] {
             pastedAt = project.GetCaretTime();
             PushKey(SDLK_v, KMOD_LCTRL);
         }},
        {"the pasted clip", [idle, pasted] { return idle() && pasted() != nullptr; },
         [pasted] {
             if (const std::optional<GuiPoint> line = LineInTheMiddle(*pasted()))
                 Click(*line);
         }},
        {"the envelope point", [idle, volumePoints] { return idle() && volumePoints() == 3; },
         [pasted] {
             // The point just added lies under the pointer; it is dragged up.
             const std::optional<GuiPoint> line = LineInTheMiddle(*pasted());
             if (line)
                 Drag(*line, {line->x, line->y - kPointDragUp});
         }},
        {"the dragged point",
         [idle, pasted] {
             EnvelopePoint point;
             return idle() && pasted()->GetEnvelopeByType(0)->GetPointAtIndex(1, point) &&
                    point.value > 1.0;
         },
         [] { PushKey(SDLK_s, KMOD_LCTRL); }},
        {"the saved project",
         [idle, file, loadedVersion] {
             return idle() && fs::last_write_time(file) != loadedVersion;
         },
         [] { PushClose(); }},
    };
}

} // namespace

TEST_F(EditorOnDisplay, ARangeCutOnTheRulerPastedAndEnvelopedIsThereAfterARestart) {
    if (!OnVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    const std::string sound = m_root + "projects/Tone.wav";
    WriteToneWav(sound, 44100 * 4, 8000);
    const std::string file = m_root + "projects/Cut.lt4";
    WriteProjectOfSounds(file, {sound});

    double pastedAt = -1.0;
    TimelineFound atEnd;
    const std::string first = RunEditor(
        file, [&](LoomtoneApp& app) { return TimelineSession(app, file, pastedAt); },
        [&atEnd](LoomtoneApp& app) { atEnd = Find(*app.Project()); });
    ASSERT_EQ(first, "");
    const std::vector<std::pair<double, double>> expectedFirst = {{0.0, kCutFromMs},
                                                                  {kCutToMs, 4000.0 - kCutToMs}};
    EXPECT_EQ(atEnd.firstTrack, expectedFirst);
    ASSERT_EQ(atEnd.secondTrack.size(), 1u);
    EXPECT_EQ(atEnd.secondTrack[0].first, pastedAt);
    EXPECT_EQ(atEnd.secondTrack[0].second, kCutToMs - kCutFromMs);
    ASSERT_EQ(atEnd.pastedVolume.size(), 3u);
    EXPECT_GT(atEnd.pastedVolume[1].value, 1.0);

    TimelineFound reopened;
    const std::string second =
        Reopen(file, [&reopened](LoomtoneApp& app) { reopened = Find(*app.Project()); });
    ASSERT_EQ(second, "");
    EXPECT_EQ(reopened.firstTrack, atEnd.firstTrack);
    EXPECT_EQ(reopened.secondTrack, atEnd.secondTrack);
    ASSERT_EQ(reopened.pastedVolume.size(), atEnd.pastedVolume.size());
    for (size_t i = 0; i < reopened.pastedVolume.size(); ++i) {
        EXPECT_NEAR(reopened.pastedVolume[i].timeMs, atEnd.pastedVolume[i].timeMs, 1e-6);
        EXPECT_NEAR(reopened.pastedVolume[i].value, atEnd.pastedVolume[i].value, 1e-6);
    }
}
