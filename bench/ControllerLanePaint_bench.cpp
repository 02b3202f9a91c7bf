// Drawing cost of the piano roll's controller lane: a lane 1920 pixels wide
// showing 5,000 controller events (pitch bend, and the note velocity lane
// over 5,000 notes), repainted whole on the headless host, with the shipped
// skin.

#include "engine/CMidiSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/CPRControllerBody.h"
#include "pianoroll/PianoRollBody.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int32_t kWidth = 1920;
constexpr int kEvents = 5000;
// 5,000 events across the 1920 columns at 2 ms a pixel.
constexpr double kMsPerPixel = 2.0;
constexpr double kSpacingMs = kWidth * kMsPerPixel / kEvents;

class Lane {
public:
    explicit Lane(const PRControllerLane& choice) {
        m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini");
        CSkin::SetCurrent(&m_skin);
        auto* sound = new CMidiSound;
        sound->SetMediaLength(kWidth * kMsPerPixel);
        sound->SetVirtualLength(kWidth * kMsPerPixel);
        for (int i = 0; i < kEvents; ++i) {
            const double time = i * kSpacingMs;
            sound->AddController(CMidiControllerList::kPitchBend, (i * 97) % 16384, time, 0);
            TMidiSndNoteData note;
            note.start = time;
            note.end = time + kSpacingMs;
            note.pitch = 40 + i % 40;
            note.velocity = 1 + i % 127;
            sound->AddMidiNote(note, nullptr);
        }
        m_clip = new CMIDIClip(m_doc, sound);
        m_notes = std::make_unique<PianoRollBody>(*m_clip, m_doc.undo, nullptr);
        m_notes->SetMsPerPixel(kMsPerPixel);
        m_lane = std::make_unique<CPRControllerBody>(m_notes->Edits(), m_notes->Gestures());
        m_lane->SetLane(choice);
        m_lane->SetSize(kWidth, CPRControllerBody::kDefaultHeight);
        m_window.Initialize(&m_host, kWidth, CPRControllerBody::kDefaultHeight);
        m_window.AddChild(m_lane.get(), 0, 0);
        m_host.DeliverPaint();
    }
    ~Lane() {
        m_window.RemoveChild(m_lane.get());
        m_lane.reset();
        m_notes.reset();
        m_clip->DeleteRefObject();
        CSkin::SetCurrent(nullptr);
    }
    void RepaintAll() {
        m_window.Invalidate(nullptr);
        m_window.FlushInvalidRegion();
        m_host.DeliverPaint();
    }

private:
    CSkin m_skin;
    FakeClipDocument m_doc;
    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    CMIDIClip* m_clip = nullptr;
    std::unique_ptr<PianoRollBody> m_notes;
    std::unique_ptr<CPRControllerBody> m_lane;
};

void BM_PitchBendLaneRepaint(benchmark::State& state) {
    Lane lane(PRControllerLane(PRLaneType::kController, CMidiControllerList::kPitchBend));
    for (auto _ : state)
        lane.RepaintAll();
}
BENCHMARK(BM_PitchBendLaneRepaint)->Unit(benchmark::kMillisecond);

void BM_VelocityLaneRepaint(benchmark::State& state) {
    Lane lane(PRControllerLane(PRLaneType::kVelocity));
    for (auto _ : state)
        lane.RepaintAll();
}
BENCHMARK(BM_VelocityLaneRepaint)->Unit(benchmark::kMillisecond);

} // namespace
