// The piano roll on a virtual display: an instrument track, a new clip made
// by a double click on its empty lane (scrolled into view), two notes drawn with the pencil, the
// editor closed, the project saved, and the notes there after a restart.

#include "EditorOnDisplay.h"
#include "app/CPianoRollDock.h"
#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"

#include <algorithm>
#include <utility>

namespace {

// The pitch and start of every note of the project's MIDI clips.
std::vector<std::pair<int, double>> NotesOf(const CProject& project) {
    std::vector<std::pair<int, double>> notes;
    for (int track = 0; track < project.GetNumTracks(); ++track)
        for (CClip* clip : project.GetTrack(track)->Clips())
            if (const auto* midi = dynamic_cast<CMIDIClip*>(clip); midi && midi->GetAtom())
                for (int i = 0; i < midi->GetAtom()->NumNotes(); ++i)
                    notes.emplace_back(midi->GetAtom()->GetNote(i)->GetPitch(),
                                       midi->GetAtom()->GetNote(i)->GetStart());
    std::sort(notes.begin(), notes.end());
    return notes;
}

// A window point in the open piano roll's note area: `x` pixels into the
// view, on the row of `pitch`.
GuiPoint InNoteArea(PianoRollControl& control, int x, int pitch) {
    const PRAutoScroll::View view = control.NotesView();
    return {control.GetAbsX() + view.left + x,
            control.GetAbsY() + view.top + PRNoteGeometry::RowTop(pitch) + 5 - control.ScrollY()};
}

// The pitch whose row is in the middle of the note area's view.
int PitchInTheMiddle(PianoRollControl& control) {
    const PRAutoScroll::View view = control.NotesView();
    const int32_t y = control.ScrollY() + (view.bottom - view.top) / 2;
    for (int pitch = 0; pitch < 128; ++pitch)
        if (PRNoteGeometry::RowTop(pitch) <= y && y < PRNoteGeometry::RowTop(pitch) + 10)
            return pitch;
    return 60;
}

std::vector<ScriptedUser::Step> PianoRollSession(LoomtoneApp& app, const std::string& name,
                                                 std::vector<int>& drawnPitches) {
    LoomtoneMainWindow& window = *app.MainWindow();
    CProject& project = *app.Project();
    CPianoRollDock& dock = window.PianoRollDock();
    auto idle = [&window] { return window.TopLayer() == nullptr && !window.GetCaptured(); };
    auto fileDialog = [&window] { return dynamic_cast<CFileDialog*>(window.TopLayer()); };
    auto lastTrack = [&project] { return project.GetTrack(project.GetNumTracks() - 1); };
    const int tracksAtStart = project.GetNumTracks();
    return {
        {"the new project", [idle] { return idle(); }, [] { PushKey(SDLK_e, KMOD_LCTRL); }},
        {"the instrument track",
         [idle, &project, lastTrack, tracksAtStart] {
             return idle() && project.GetNumTracks() == tracksAtStart + 1 &&
                    lastTrack()->GetKind() == CTrack::kMidi;
         },
         [&project] { PushWheel(Centre(TracksView(project)), -20); }},
        {"the instrument track in view",
         [idle, &project, lastTrack] {
             const CTrackBody& body = *lastTrack()->GetBody();
             return idle() && body.GetAbsY() + body.GetHeight() <= TracksView(project).bottom;
         },
         [lastTrack] {
             const CTrackBody& body = *lastTrack()->GetBody();
             DoubleClick({body.GetAbsX() + 30, body.GetAbsY() + body.GetHeight() / 2});
         }},
        {"the piano roll on a new clip",
         [idle, &dock, lastTrack] {
             return idle() && dock.IsOpen() && lastTrack()->Clips().size() == 1;
         },
         [&dock, &drawnPitches] {
             PianoRollControl& control = *dock.Control();
             const int pitch = PitchInTheMiddle(control);
             // The docked editor's note area is only a few rows high.
             drawnPitches = {pitch - 2, pitch};
             Click(InNoteArea(control, 20, pitch));
             Click(InNoteArea(control, 90, pitch - 2));
         }},
        {"two notes drawn", [idle, &project] { return idle() && NotesOf(project).size() == 2; },
         [&dock] { Click(Centre(dock.CloseButton().GetAbsRect())); }},
        {"the piano roll closed", [idle, &dock] { return idle() && !dock.IsOpen(); },
         [] { PushKey(SDLK_s, KMOD_LCTRL); }},
        {"the save dialog", [fileDialog] { return fileDialog() != nullptr; },
         [name] { Type(name); }},
        {"the saved project",
         [idle, &project] { return idle() && !project.GetProjectFilePath().empty(); },
         [] { PushClose(); }},
    };
}

} // namespace

TEST_F(EditorOnDisplay, NotesDrawnInANewClipAreThereAfterARestart) {
    if (!OnVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    std::vector<int> drawnPitches;
    std::vector<std::pair<int, double>> drawn;
    std::string saved;
    const std::string first = RunEditor(
        "", [&](LoomtoneApp& app) { return PianoRollSession(app, "Notes", drawnPitches); },
        [&](LoomtoneApp& app) {
            drawn = NotesOf(*app.Project());
            saved = app.Project()->GetProjectFilePath();
        });
    ASSERT_EQ(first, "");
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].first, drawnPitches[0]);
    EXPECT_EQ(drawn[1].first, drawnPitches[1]);
    // The lower note was drawn later, to the right.
    EXPECT_GT(drawn[0].second, drawn[1].second);
    ASSERT_EQ(saved, m_root + "projects/Notes.lt4");

    std::vector<std::pair<int, double>> reopened;
    const std::string second =
        Reopen(saved, [&reopened](LoomtoneApp& app) { reopened = NotesOf(*app.Project()); });
    ASSERT_EQ(second, "");
    EXPECT_EQ(reopened, drawn);
}
