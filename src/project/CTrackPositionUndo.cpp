#include "project/CTrackPositionUndo.h"

#include "project/CAllTracks.h"
#include "project/CTrack.h"

CTrackPositionUndo::CTrackPositionUndo(CAllTracks& tracks, Kind kind, CTrack* track, int32_t first,
                                       int32_t second)
    : m_tracks(tracks), m_kind(kind), m_track(RefPtr<CTrack>::Share(track)), m_first(first),
      m_second(second) {}

CTrackPositionUndo::CTrackPositionUndo(const CTrackPositionUndo&) = default;

CTrackPositionUndo::~CTrackPositionUndo() = default;

std::unique_ptr<CUndoAtom> CTrackPositionUndo::Clone() const {
    return std::make_unique<CTrackPositionUndo>(*this);
}

void CTrackPositionUndo::Restore(bool redo) {
    switch (m_kind) {
    case kInserted:
        redo ? PutBack() : TakeAway();
        break;
    case kRemoved:
        redo ? TakeAway() : PutBack();
        break;
    case kMoved:
        m_tracks.Move(redo ? m_first : m_second, redo ? m_second : m_first, false);
        break;
    case kHeightChanged:
        if (const int index = m_tracks.IndexOf(m_track.Get()); index >= 0)
            m_tracks.SetHeight(index, redo ? m_second : m_first, false);
        break;
    }
}

void CTrackPositionUndo::PutBack() {
    if (m_tracks.IndexOf(m_track.Get()) >= 0)
        return;
    // The list takes a reference of its own.
    m_tracks.Insert(RefPtr<CTrack>(m_track).Detach(), m_first, false);
}

void CTrackPositionUndo::TakeAway() {
    if (const int index = m_tracks.IndexOf(m_track.Get()); index >= 0)
        m_tracks.Remove(index, false);
}
