#include "transport/CTransport.h"

#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "engine/TempoMap.h"
#include "gui/CDeluxeMessageBox.h"
#include "gui/MessageBoxes.h"
#include "project/CClip.h"
#include "project/CProject.h"
#include "support/Log.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>

CTransport::CTransport(CProject& project, CPCMMixer& mixer) : m_project(project), m_mixer(mixer) {
    m_project.SetFollowPlayback([&mixer](double& heardMs) {
        if (!mixer.Playing())
            return false;
        heardMs = mixer.GetPositionMs();
        return true;
    });
    m_project.SetMarkerPlayer(this);
}

CTransport::~CTransport() {
    m_project.SetFollowPlayback(nullptr);
    m_project.SetMarkerPlayer(nullptr);
}

double CTransport::ProjectEndMs() const {
    return m_project.GetTempoMap().GetTempoAdjustedTime(m_project.GetProjectLengthMs());
}

double CTransport::PlayPosition() const {
    return m_mixer.Playing() ? m_mixer.GetPositionMs() : m_project.GetCaretTime();
}

bool CTransport::IsPlaying() const {
    return m_mixer.Playing();
}

bool CTransport::StartOutput() {
    return !m_startOutput || m_startOutput();
}

bool CTransport::Play() {
    double from = m_project.GetCaretTime();
    if (m_loopPlay) {
        m_loopRange = TakeLoopRange();
        if (from < m_loopRange.startMs || from >= m_loopRange.endMs)
            from = m_loopRange.startMs;
    }
    return PlayFrom(from);
}

bool CTransport::PlayFrom(double heardMs) {
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    const double end = ProjectEndMs();
    double from = std::isfinite(heardMs) ? std::max(0.0, heardMs) : 0.0;
    // Play at the end starts over.
    if (from >= end - kRestartNearEndMs)
        from = 0.0;
    m_project.MoveCaretAndPlayback(from);
    if (!StartOutput()) {
        Log("CTransport::PlayFrom() no output device - returning false!");
        ShowMessage(nullptr, "Err_NoPlaybackDevice", MB_OK | MB_ICONHAND, "ProgramName");
        return false;
    }
    if (end <= 0.0)
        return false;
    if (m_loopPlay)
        m_mixer.SetLoop(true, m_loopRange.startMs, m_loopRange.endMs);
    if (!m_mixer.Play(m_mixer.GetSoundGroup(), from, 0)) {
        Log("CTransport::PlayFrom() the mixer did not start - returning false!");
        return false;
    }
    LogFmt("CTransport::PlayFrom() playing from %.0f ms", from);
    return true;
}

void CTransport::Stop() {
    if (m_mixer.Playing())
        m_mixer.Stop(0);
}

void CTransport::PlayStop() {
    if (m_mixer.Playing())
        Stop();
    else
        Play();
}

void CTransport::GoToStart() {
    if (m_mixer.Playing())
        PlayFrom(0.0);
    else
        m_project.MoveCaretAndPlayback(0.0);
    m_project.SetHorizontalScroll(0);
}

void CTransport::GoToEnd() {
    Stop();
    const double end = std::trunc(ProjectEndMs());
    m_project.MoveCaretAndPlayback(end);
    // The end stays short of the right edge, by the margin less 30 pixels.
    const int32_t msPerPixel = std::max(1, m_project.MsPerPixel());
    const auto first = static_cast<int32_t>(
        std::trunc(end / msPerPixel - (m_project.GetViewWidth() - kStepMarginPixels) + 30));
    m_project.SetHorizontalScroll(std::max(0, first));
}

double CTransport::StepTarget(bool forward) const {
    const double caret = m_project.GetCaretTime();
    double target = 0.0;
    if (m_project.GetSnapLevel() == 0) {
        // A twentieth of the view's width, at least one pixel's worth.
        const int32_t msPerPixel = std::max(1, m_project.MsPerPixel());
        const int32_t width = std::max(20, m_project.GetViewWidth() - kStepMarginPixels);
        const double step = std::trunc(static_cast<double>(width) * msPerPixel / 20.0);
        target = forward ? caret + step : caret - step;
    } else {
        target = SnappedStep(caret, forward);
    }
    return std::max(0.0, target);
}

// Steps of four grid steps at 120 beats per minute in reference time, at
// least 360 ms away from where they start.
double CTransport::SnappedStep(double caretMs, bool forward) const {
    const TempoMap& tempo = m_project.GetTempoMap();
    const double reference = tempo.GetRealTime(caretMs);
    const int32_t divisions = std::max(1, CTimeGrid::SnapDivisions(m_project.GetSnapLevel()));
    const double gridStep = std::trunc(4.0 / (divisions * 120.0) * 60000.0);
    const double step = std::max(1.0, 4.0 * gridStep);
    double target = forward ? (std::trunc((reference + 360.0) / step) + 1.0) * step
                            : std::trunc((reference - 360.0) / step) * step;
    target = std::max(0.0, target);
    return std::trunc(m_project.SnapAdjustedTime(tempo.GetTempoAdjustedTime(target)));
}

void CTransport::ApplyStep(double heardMs) {
    const int32_t msPerPixel = std::max(1, m_project.MsPerPixel());
    if (m_stepsAsClicks) {
        // As a click on the track area: the caret and play position go to
        // the start of the pixel column.
        const double column = std::trunc(heardMs / msPerPixel);
        m_project.MoveCaretAndPlayback(column * msPerPixel);
    } else if (m_mixer.Playing()) {
        m_mixer.Stop(0);
        m_project.MoveCaretAndPlayback(heardMs);
        m_mixer.Play(m_mixer.GetSoundGroup(), heardMs, 0);
    } else {
        m_project.MoveCaretAndPlayback(heardMs);
    }
    ScrollToShow(heardMs);
}

void CTransport::ScrollToShow(double heardMs) {
    const int32_t msPerPixel = std::max(1, m_project.MsPerPixel());
    const auto x = static_cast<int32_t>(std::trunc(heardMs / msPerPixel));
    const int32_t scroll = m_project.GetTimelineScrollX();
    if (x <= scroll || x >= scroll + m_project.GetViewWidth() - kStepMarginPixels)
        m_project.SetHorizontalScroll(x);
}

HeardRange CTransport::TakeLoopRange() const {
    if (m_timeSelection) {
        if (std::optional<HeardRange> selection = m_timeSelection()) {
            const auto [first, last] = std::minmax(selection->startMs, selection->endMs);
            return {first, last};
        }
    }
    return {0.0, ProjectEndMs()};
}

void CTransport::SetLoopPlay(bool on) {
    m_loopPlay = on;
    if (on)
        m_loopRange = TakeLoopRange();
    m_mixer.SetLoop(on, m_loopRange.startMs, m_loopRange.endMs);
    LogFmt("CTransport::SetLoopPlay() %d from %.0f to %.0f ms", on ? 1 : 0, m_loopRange.startMs,
           m_loopRange.endMs);
}

void CTransport::SetMetronome(bool on) {
    m_project.SetUseMetronome(on, true);
}

void CTransport::ToggleMetronome() {
    SetMetronome(!m_project.UsesMetronome());
}

bool CTransport::IsMetronomeOn() const {
    return m_project.UsesMetronome();
}

bool CTransport::PlayFromMarker(int index) {
    const CProjectMarkers& markers = m_project.Markers();
    if (index < 0 || index >= markers.Count())
        return false;
    const double reference = markers.At(index).tempoEvent.time;
    return PlayFrom(m_project.GetTempoMap().GetTempoAdjustedTime(reference));
}

bool CTransport::PlayFromPreviousMarker() {
    const TempoMap& tempo = m_project.GetTempoMap();
    double marker = 0.0;
    if (!tempo.GetPreviousMarkerBeforeTime(tempo.GetRealTime(PlayPosition()), &marker))
        return false;
    return PlayFrom(tempo.GetTempoAdjustedTime(marker));
}

bool CTransport::PlayFromNextMarker() {
    const TempoMap& tempo = m_project.GetTempoMap();
    double marker = 0.0;
    if (!tempo.GetNextMarkerAfterTime(tempo.GetRealTime(PlayPosition()), &marker))
        return false;
    return PlayFrom(tempo.GetTempoAdjustedTime(marker));
}

bool CTransport::PlayClip(const CClip& clip) {
    CAudioAtom* atom = clip.GetEngineAtom();
    if (!atom)
        return false;
    Stop();
    if (!StartOutput())
        return false;
    const double from = m_project.GetTempoMap().GetTempoAdjustedTime(clip.GetStartMs());
    return m_mixer.Play(atom, from, 0);
}
