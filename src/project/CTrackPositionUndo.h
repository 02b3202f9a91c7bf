#pragma once

#include "support/CUndoAtom.h"
#include "support/RefPtr.h"

#include <cstdint>

class CAllTracks;
class CTrack;

// A change of the track list: a track inserted, moved or removed, or its
// height changed. Holds a reference on the track, so that a removed track
// lives on while the record can put it back.
class CTrackPositionUndo : public CUndoAtom {
public:
    enum Kind : int32_t { kInserted = 0, kMoved = 1, kRemoved = 2, kHeightChanged = 3 };

    // first and second: the index (inserted, removed), the index before and
    // after (moved), or the height before and after (height changed).
    CTrackPositionUndo(CAllTracks& tracks, Kind kind, CTrack* track, int32_t first, int32_t second);
    CTrackPositionUndo(const CTrackPositionUndo& other);
    CTrackPositionUndo& operator=(const CTrackPositionUndo&) = delete;
    ~CTrackPositionUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    void PutBack();
    void TakeAway();

    CAllTracks& m_tracks;
    Kind m_kind;
    RefPtr<CTrack> m_track;
    int32_t m_first;
    int32_t m_second;
};
