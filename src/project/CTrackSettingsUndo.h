#pragma once

#include "project/TrackSettings.h"
#include "support/CUndoAtom.h"
#include "support/RefPtr.h"

class CTrack;

// A change of a track's settings (name, image, volume, pan, mute, solo,
// arming, monitoring, colour): undo and redo bring the track to the
// settings before or after. Holds a reference on the track.
class CTrackSettingsUndo : public CUndoAtom {
public:
    CTrackSettingsUndo(CTrack* track, const TrackSettings& before, const TrackSettings& after);
    CTrackSettingsUndo(const CTrackSettingsUndo& other);
    CTrackSettingsUndo& operator=(const CTrackSettingsUndo&) = delete;
    ~CTrackSettingsUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    RefPtr<CTrack> m_track;
    TrackSettings m_before;
    TrackSettings m_after;
};
