#include "project/CTrackPositionUndo.h"

#include "project/CAllTracks.h"
#include "project/CTrack.h"

CTrackPositionUndo::CTrackPositionUndo(CAllTracks& tracks, Kind kind, CTrack* track, int32_t first,
                                       int32_t second)
    : m_tracks(tracks), m_kind(kind), m_track(track), m_first(first), m_second(second) {
    m_track->AddRef();
}

CTrackPositionUndo::CTrackPositionUndo(const CTrackPositionUndo& other)
    : CUndoAtom(other), m_tracks(other.m_tracks), m_kind(other.m_kind), m_track(other.m_track),
      m_first(other.m_first), m_second(other.m_second) {
    m_track->AddRef();
}

CTrackPositionUndo::~CTrackPositionUndo() {
    m_track->DeleteRefObject();
}

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
        if (const int index = m_tracks.IndexOf(m_track); index >= 0)
            m_tracks.SetHeight(index, redo ? m_second : m_first, false);
        break;
    }
}

void CTrackPositionUndo::PutBack() {
    if (m_tracks.IndexOf(m_track) >= 0)
        return;
    // The list takes a reference of its own.
    m_track->AddRef();
    m_tracks.Insert(m_track, m_first, false);
}

void CTrackPositionUndo::TakeAway() {
    if (const int index = m_tracks.IndexOf(m_track); index >= 0)
        m_tracks.Remove(index, false);
}
