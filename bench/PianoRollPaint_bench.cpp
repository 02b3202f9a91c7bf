// Drawing cost of the whole piano roll at 1920 x 1080 on the headless host,
// with the shipped skin: 10,000 notes, all in view, over a pitch-bend lane of
// 5,000 events; a full repaint, and one step of a note dragged across.

#include "engine/CMidiSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int kNotes = 10000;
constexpr int kEvents = 5000;
constexpr double kNoteSpacingMs = 100.0;
constexpr double kLengthMs = kNotes * kNoteSpacingMs;

class PianoRoll {
public:
    PianoRoll() {
        m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini");
        CSkin::SetCurrent(&m_skin);
        auto* sound = new CMidiSound;
        sound->SetMediaLength(kLengthMs);
        sound->SetVirtualLength(kLengthMs);
        sound->SetLoopEnd(kLengthMs);
        for (int i = 0; i < kNotes; ++i) {
            TMidiSndNoteData note;
            note.start = i * kNoteSpacingMs;
            note.end = note.start + 3 * kNoteSpacingMs;
            note.pitch = 40 + i % 40;
            note.velocity = 1 + i % 127;
            sound->AddMidiNote(note, nullptr);
        }
        for (int i = 0; i < kEvents; ++i)
            sound->AddController(CMidiControllerList::kPitchBend, (i * 97) % 16384,
                                 i * kLengthMs / kEvents, 0);
        m_clip = new CMIDIClip(m_doc, sound);
        m_control = std::make_unique<PianoRollControl>(*m_clip);
        m_control->ControllerLane().Body().SetLane(
            PRControllerLane(PRLaneType::kController, CMidiControllerList::kPitchBend));
        m_window.Initialize(&m_host, kWidth, kHeight);
        m_window.AddChild(m_control.get(), 0, 0);
        m_control->SetSize(kWidth, kHeight);
        m_control->Fit();
        m_host.DeliverPaint();
    }
    ~PianoRoll() {
        m_window.RemoveChild(m_control.get());
        m_control.reset();
        m_clip->DeleteRefObject();
        CSkin::SetCurrent(nullptr);
    }
    void RepaintAll() {
        m_window.Invalidate(nullptr);
        Paint();
    }
    void Paint() {
        m_window.FlushInvalidRegion();
        m_host.DeliverPaint();
    }
    PianoRollControl& Control() { return *m_control; }
    COffscreenGuiHost& Host() { return m_host; }

private:
    CSkin m_skin;
    FakeClipDocument m_doc;
    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    CMIDIClip* m_clip = nullptr;
    std::unique_ptr<PianoRollControl> m_control;
};

void BM_PianoRollFullRepaint(benchmark::State& state) {
    PianoRoll roll;
    for (auto _ : state)
        roll.RepaintAll();
    state.counters["ms_per_pixel"] = roll.Control().Body().Gestures().Geometry().MsPerPixel();
}
BENCHMARK(BM_PianoRollFullRepaint)->Unit(benchmark::kMillisecond);

// A note in the middle of the view is pressed with the arrow and moved back
// and forth across the view, one pointer move and its repaint per step.
void BM_PianoRollNoteDragStep(benchmark::State& state) {
    PianoRoll roll;
    // Zoomed in to 15 ms a pixel, where note 20 (pitch 60, 2000..2300 ms)
    // is 20 pixels wide, at the view's start.
    PianoRollControl& control = roll.Control();
    while (control.ZoomLevel() > 10)
        control.Zoom(false);
    control.Body().Gestures().Settings().tool = PRTool::kArrow;
    const int pitch = 60;
    control.ScrollTo(0, PRNoteGeometry::RowTop(pitch) - 300);
    roll.Paint();
    const PRNoteGeometry& geometry = control.Body().Gestures().Geometry();
    const int32_t x = PRNoteGeometry::kKeyboardWidth + geometry.XOfTime(2150.0);
    const int32_t y = PianoRollControl::kNotesTop + 300 + 5;
    COffscreenGuiHost& host = roll.Host();
    host.MouseMove(x, y);
    host.LeftDown(x, y);
    int step = 0;
    for (auto _ : state) {
        // Across 1200 pixels and back in 8-pixel steps.
        const int phase = step++ % 300;
        const int offset = phase < 150 ? phase * 8 : (300 - phase) * 8;
        host.MouseMove(x + offset, y, MK_LBUTTON);
        roll.Paint();
    }
    host.LeftUp(x, y);
}
BENCHMARK(BM_PianoRollNoteDragStep)->Unit(benchmark::kMillisecond);

} // namespace
