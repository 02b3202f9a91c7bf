// Drawing cost of a big session: the main window at 1920 x 1080 on the
// headless host, 64 audio tracks holding 1,000 clips of one sound, repainted
// whole, and repainted after a scroll of a few pixels. The counters say how
// much of the window reached the screen ("presented") and how many pixels the
// objects drew ("drawn", a pixel drawn by several objects counted for each):
// a scroll presents everything that moved but draws only what did not exist.
// The playback line's tick moves the line one column on, as playback does.

#include "BenchWindow.h"
#include "ToneWav.h"
#include "project/CAudioClip.h"
#include "project/CTrack.h"
#include "timeline/CPlaybackIndicator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int kTracks = 64;
constexpr int kClips = 1000;
constexpr double kSoundSeconds = 4.0;
constexpr int32_t kScrollStep = 4;

double RegionArea(const CRegion& region) {
    double area = 0;
    for (const GuiRect& rect : region.Rects())
        area += double(rect.Width()) * rect.Height();
    return area;
}

// The editor's window with the session in it.
class Session {
public:
    Session() {
        AddClips();
        m_bench.Host().DeliverPaint();
    }

    // Everything invalid, flushed and painted, as after the window was uncovered.
    void RepaintAll() {
        m_bench.Window().Invalidate(nullptr);
        m_bench.Window().FlushInvalidRegion();
        m_bench.Host().DeliverPaint();
    }
    // The view moves right by a few pixels, or back; the next tick paints.
    void Scroll(int32_t by) {
        m_bench.Project().SetHorizontalScroll(m_bench.Project().GetTimelineScrollX() + by);
        m_bench.Window().FlushInvalidRegion();
        m_bench.Host().DeliverPaint();
    }
    // The play position moves one column on (back near the view's left edge
    // before it leaves the view); the playback line's tick (timer 556) moves
    // the line and the next refresh paints.
    void PlaybackLineTick() {
        if (++m_lineColumn >= m_bench.Project().GetViewWidth())
            m_lineColumn = kFirstLineColumn;
        m_bench.Mixer().SetPositionMs(static_cast<double>(m_lineColumn) *
                                      m_bench.Project().MsPerPixel());
        m_bench.Project().PlaybackLine().Update();
        m_bench.Window().FlushInvalidRegion();
        m_bench.Host().DeliverPaint();
    }
    double LastPresentedArea() const { return RegionArea(m_bench.Host().LastPresented()); }
    uint64_t DrawnPixels() const { return m_bench.Window().DrawnPixels(); }

private:
    // 1,000 clips spread over the tracks, each track's clips one after the
    // other with a gap, so that every visible track shows several.
    void AddClips() {
        const std::string sound = m_bench.Folder() + "Tone.wav";
        WriteToneWav(sound, static_cast<uint32_t>(kSoundSeconds * 44100), 12000, 220.0);
        while (m_bench.Project().GetNumTracks() < kTracks)
            m_bench.Project().AddAudioTrack(-1, false);
        for (int index = 0; index < kClips; ++index) {
            CTrack* track = m_bench.Project().GetTrack(index % kTracks);
            const double start = (index / kTracks) * (kSoundSeconds + 0.5) * 1000.0;
            auto* clip = new CAudioClip(m_bench.Project().Clips());
            if (clip->LoadFromFile(sound, false))
                track->AddClip(clip, start, false);
            clip->DeleteRefObject();
        }
        m_bench.Project().RecomputeScrollRanges(true, true);
    }

    static constexpr int32_t kFirstLineColumn = 100;

    BenchWindow m_bench{"loomtone-paint-bench", kWidth, kHeight};
    int32_t m_lineColumn = kFirstLineColumn;
};

// Pixels the objects draw for one full repaint of the session.
double DrawnByFullRepaint(Session& session) {
    const uint64_t before = session.DrawnPixels();
    session.RepaintAll();
    return double(session.DrawnPixels() - before);
}

void BM_FullRepaint(benchmark::State& state) {
    Session session;
    const uint64_t before = session.DrawnPixels();
    for (auto _ : state)
        session.RepaintAll();
    state.counters["presented px"] = session.LastPresentedArea();
    state.counters["drawn px"] =
        double(session.DrawnPixels() - before) / double(state.iterations());
}

void BM_ScrollRepaint(benchmark::State& state) {
    Session session;
    const double drawnByFull = DrawnByFullRepaint(session);
    const uint64_t before = session.DrawnPixels();
    int32_t direction = kScrollStep;
    for (auto _ : state) {
        session.Scroll(direction);
        direction = -direction;
    }
    const double drawn = double(session.DrawnPixels() - before) / double(state.iterations());
    const double window = double(kWidth) * kHeight;
    state.counters["presented px"] = session.LastPresentedArea();
    state.counters["presented of window"] = session.LastPresentedArea() / window;
    state.counters["drawn px"] = drawn;
    state.counters["drawn of full repaint"] = drawn / drawnByFull;
}

void BM_PlaybackLineTick(benchmark::State& state) {
    Session session;
    session.PlaybackLineTick();
    const uint64_t before = session.DrawnPixels();
    for (auto _ : state)
        session.PlaybackLineTick();
    state.counters["presented px"] = session.LastPresentedArea();
    state.counters["drawn px"] =
        double(session.DrawnPixels() - before) / double(state.iterations());
}

BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaybackLineTick)->Unit(benchmark::kMicrosecond);

} // namespace
