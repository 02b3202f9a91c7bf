#pragma once

#include "project/MarkerPlayer.h"

#include <functional>
#include <optional>

class CClip;
class CPCMMixer;
class CProject;

// A stretch of the timeline in heard (tempo-adjusted) milliseconds.
struct HeardRange {
    double startMs = 0.0;
    double endMs = 0.0;
};

// The transport: play, stop, position steps, loop play, the metronome and
// playing from markers. It drives the mixer only through its transport
// operations and keeps the project's caret in step.
//
// Time bases: the caret, the mixer's play position, the loop range and every
// position this class takes or answers are heard (tempo-adjusted)
// milliseconds, as the timeline shows them. Clip times, marker (tempo event)
// times and the grid-step arithmetic of the steps are reference time and
// are converted through the project's tempo map where they are used.
class CTransport : public MarkerPlayer {
public:
    // Play closer than this to the end starts over from the beginning.
    static constexpr double kRestartNearEndMs = 100.0;
    // The part of the view's width that position steps leave out.
    static constexpr int kStepMarginPixels = 300;

    // While it exists, the track area follows the play position.
    CTransport(CProject& project, CPCMMixer& mixer);
    ~CTransport() override;
    CTransport(const CTransport&) = delete;
    CTransport& operator=(const CTransport&) = delete;

    // Makes sure a device pulls from the mixer before playing; false when
    // none can run. Without one, playing assumes a device already runs.
    void SetStartOutput(std::function<bool()> startOutput) {
        m_startOutput = std::move(startOutput);
    }
    // The track area's time selection, when there is one.
    void SetTimeSelectionSource(std::function<std::optional<HeardRange>()> source) {
        m_timeSelection = std::move(source);
    }
    // Whether position steps go through the track area's click path (whole
    // pixel columns), as the preference says.
    void SetStepsAsClicks(bool asClicks) { m_stepsAsClicks = asClicks; }

    // Plays from the caret; with loop play on, from the loop start when the
    // caret lies outside the loop. False when nothing started.
    bool Play();
    // Plays from a heard position; near the end (kRestartNearEndMs) from 0.
    bool PlayFrom(double heardMs) override;
    void Stop() override;
    // Space: stops while playing, else plays.
    void PlayStop();
    bool IsPlaying() const override;
    // The mixer's heard position while playing, else the caret.
    double PlayPosition() const;

    void GoToStart();
    void GoToEnd();
    void StepBack() { ApplyStep(StepTarget(false)); }
    void StepForward() { ApplyStep(StepTarget(true)); }
    // Where a step from the caret leads, never before 0.
    double StepTarget(bool forward) const;

    // With no time selection the loop is the whole project, else exactly
    // the selection.
    void SetLoopPlay(bool on);
    void ToggleLoopPlay() { SetLoopPlay(!m_loopPlay); }
    bool IsLoopPlay() const { return m_loopPlay; }
    HeardRange GetLoopRange() const { return m_loopRange; }

    void SetMetronome(bool on);
    void ToggleMetronome();
    bool IsMetronomeOn() const;

    // Marker index as the project counts them (0 is the start marker).
    // False for a bad index or when nothing started.
    bool PlayFromMarker(int index);
    // The nearest marker strictly before / after the play position (the
    // caret while stopped); false when there is none.
    bool PlayFromPreviousMarker();
    bool PlayFromNextMarker();

    // The clip's sound alone, from the clip's start; false when the clip
    // has no sound or nothing started.
    bool PlayClip(const CClip& clip);

    // The end of the last clip, heard.
    double ProjectEndMs() const;
    // Makes sure a device runs (see SetStartOutput); false when none can.
    bool StartOutput();

private:
    HeardRange TakeLoopRange() const;
    double SnappedStep(double caretMs, bool forward) const;
    void ApplyStep(double heardMs);
    void ScrollToShow(double heardMs);

    CProject& m_project;
    CPCMMixer& m_mixer;
    std::function<bool()> m_startOutput;
    std::function<std::optional<HeardRange>()> m_timeSelection;
    bool m_stepsAsClicks = true;
    bool m_loopPlay = false;
    HeardRange m_loopRange;
};
