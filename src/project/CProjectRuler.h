#pragma once

#include "project/CMarkerMove.h"
#include "timeline/TimeGridHost.h"

#include <cstdint>

class CPCMMixer;
class CProject;
class CUndoMgr;

// What the ruler asks of the document: the zoom and tempo map it draws,
// the play position it moves, the time selection made on it, and the
// marker dialogs and edits started from it.
class CProjectRuler : public TimeGridHost {
public:
    CProjectRuler(CProject& project, CPCMMixer& mixer, CUndoMgr& undo)
        : m_project(project), m_mixer(mixer), m_undo(undo), m_markerMove(project, undo) {}

    int32_t CurrentMsPerPixel() const override;
    const TempoMap& GetTempoMap() const override;
    bool IsRecording() const override;
    bool IsPlaying() const override;
    void MovePlaybackMarker(double ms) override;
    void RelocatePlayback(double ms) override;
    void ClearTimeSelection() override;
    void SelectTimeOnRuler(int32_t fromX, int32_t toX) override;
    void BeginUndoSet() override;
    void OpenNewMarkerDialog(double realMs) override;
    void OpenMarkerDialog(int index) override;
    void OpenMarkerWizard() override;
    void MoveMarker(int index, double realMs) override;
    void RemoveMarker(int index) override;
    void SetTimeLineMode(int32_t mode) override;
    void InvalidateTrackBodies() override;
    bool GetMarkerLook(int index, TrackMarkerLook& look) const override;

private:
    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    CMarkerMove m_markerMove;
};
