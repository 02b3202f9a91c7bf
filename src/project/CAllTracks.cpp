#include "project/CAllTracks.h"

#include "gui/VRGuiContainer.h"
#include "project/CAudioTrack.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/CTrackPositionUndo.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"

#include <algorithm>

CAllTracks::CAllTracks(CUndoMgr& undo) : m_undo(undo) {}

CAllTracks::~CAllTracks() {
    while (!m_tracks.empty())
        Remove(Count() - 1, false);
}

void CAllTracks::SetGuiParents(VRGuiContainer* headerColumn, VRGuiContainer* bodies) {
    for (CTrack* track : m_tracks)
        LeaveGui(track);
    m_headerColumn = headerColumn;
    m_bodies = bodies;
    for (CTrack* track : m_tracks)
        JoinGui(track);
    Layout();
}

bool CAllTracks::Append(CTrack* track, bool undo) {
    return Insert(track, Count(), undo);
}

bool CAllTracks::Insert(CTrack* track, int index, bool undo) {
    if (!track)
        return false;
    if (IndexOf(track) >= 0 || (!track->HasEngineTrack() && !track->CreateEngineTrack())) {
        track->DeleteRefObject();
        return false;
    }
    index = std::clamp(index, 0, Count());
    m_tracks.insert(m_tracks.begin() + index, track);
    if (m_batch) {
        track->SetIndex(index);
    } else {
        JoinGui(track);
        Layout(index);
    }
    if (undo) {
        m_undo.AddUndoNode(
            CTrackPositionUndo(*this, CTrackPositionUndo::kInserted, track, index, 0));
        m_undo.SetDirty(true);
    }
    ReselectIfSelected(track);
    return true;
}

bool CAllTracks::Remove(int index, bool undo) {
    CTrack* track = At(index);
    if (!track)
        return false;
    if (undo) {
        m_undo.AddUndoNode(
            CTrackPositionUndo(*this, CTrackPositionUndo::kRemoved, track, index, 0));
        m_undo.SetDirty(true);
    }
    m_tracks.erase(m_tracks.begin() + index);
    track->RemoveFromEngine();
    LeaveGui(track);
    track->SetIndex(-1);
    if (!m_batch)
        Layout(index);
    track->DeleteRefObject();
    return true;
}

bool CAllTracks::Move(int from, int to, bool undo) {
    CTrack* track = At(from);
    if (!track || to < 0 || to >= Count())
        return false;
    if (from == to)
        return true;
    m_tracks.erase(m_tracks.begin() + from);
    m_tracks.insert(m_tracks.begin() + to, track);
    Layout(std::min(from, to));
    if (undo) {
        m_undo.AddUndoNode(CTrackPositionUndo(*this, CTrackPositionUndo::kMoved, track, from, to));
        m_undo.SetDirty(true);
    }
    ReselectIfSelected(track);
    SendNotification(kNotifyTrackOrderChanged, NotificationNumber(to));
    return true;
}

bool CAllTracks::MoveDropped(int from, int32_t top, bool undo) {
    CTrack* track = At(from);
    if (!track)
        return false;
    const int to = IndexAtHeight(top + track->GetHeight() / 2);
    if (to != from)
        return Move(from, to, undo);
    Layout();
    return true;
}

int CAllTracks::IndexAtHeight(int32_t y) const {
    int32_t bottom = 0;
    for (int index = 0; index < Count(); ++index) {
        bottom += m_tracks[static_cast<size_t>(index)]->GetHeight();
        if (y < bottom)
            return index;
    }
    return Count() - 1;
}

bool CAllTracks::SetHeight(int index, int32_t height, bool undo) {
    CTrack* track = At(index);
    if (!track)
        return false;
    const int32_t before = track->GetHeight();
    track->SetHeight(height);
    const int32_t after = track->GetHeight();
    Layout(index);
    if (undo && after != before) {
        m_undo.AddUndoNode(
            CTrackPositionUndo(*this, CTrackPositionUndo::kHeightChanged, track, before, after));
        m_undo.SetDirty(true);
    }
    return true;
}

CTrack* CAllTracks::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_tracks[static_cast<size_t>(index)];
}

int CAllTracks::IndexOf(const CTrack* track) const {
    const auto found = std::find(m_tracks.begin(), m_tracks.end(), track);
    return found == m_tracks.end() ? -1 : static_cast<int>(found - m_tracks.begin());
}

int32_t CAllTracks::TotalHeight() const {
    int32_t total = 0;
    for (const CTrack* track : m_tracks)
        total += track->GetHeight();
    return total;
}

void CAllTracks::Layout(int from) {
    from = std::clamp(from, 0, Count());
    int32_t y = 0;
    for (int index = 0; index < from; ++index)
        y += m_tracks[static_cast<size_t>(index)]->GetHeight();
    for (int index = from; index < Count(); ++index) {
        CTrack* track = m_tracks[static_cast<size_t>(index)];
        track->SetIndex(index);
        track->MoveTo(y);
        y += track->GetHeight();
    }
}

void CAllTracks::RemoveAll() {
    // From the last: no track is moved up only to be deleted next. The track
    // area is laid out and measured once at the end, not once per track.
    BeginBatch();
    while (Count() > 0) {
        CTrack* track = At(Count() - 1);
        while (!track->Clips().empty())
            track->RemoveClip(track->Clips().back(), false);
        Remove(Count() - 1, false);
    }
    EndBatch();
}

void CAllTracks::EndBatch() {
    m_batch = false;
    int32_t y = 0;
    for (int index = 0; index < Count(); ++index) {
        CTrack* track = m_tracks[static_cast<size_t>(index)];
        track->SetIndex(index);
        JoinGui(track, y);
        y += track->GetHeight();
    }
    // Tracks that were in the area before the batch move to their places.
    Layout();
}

void CAllTracks::JoinGui(CTrack* track, int32_t y) {
    if (m_headerColumn && track->GetHeader())
        m_headerColumn->AddChild(track->GetHeader(), 0, y);
    if (m_bodies && track->GetBody())
        m_bodies->AddChild(track->GetBody(), 0, y);
}

void CAllTracks::LeaveGui(CTrack* track) {
    if (m_headerColumn && track->GetHeader())
        m_headerColumn->RemoveChild(track->GetHeader());
    if (m_bodies && track->GetBody())
        m_bodies->RemoveChild(track->GetBody());
}

void CAllTracks::ReselectIfSelected(CTrack* track) {
    // The project hears it from the track and selects it at its new index.
    if (track->IsSelected())
        track->SendNotification(kNotifySelectTrack, NotificationNumber(track->GetIndex()));
}

void CAllTracks::UpdateSoloSilencing() {
    bool anySolo = false;
    for (int index = 0; index < Count(); ++index)
        anySolo = anySolo || At(index)->IsSolo();
    for (int index = 0; index < Count(); ++index) {
        CTrack* track = At(index);
        track->SetSilencedBySolo(anySolo && !track->IsSolo());
    }
}

void CAllTracks::DisarmOthersOnInput(const CTrack* armed) {
    const auto* source = dynamic_cast<const CAudioTrack*>(armed);
    if (!source)
        return;
    for (int index = 0; index < Count(); ++index) {
        auto* other = dynamic_cast<CAudioTrack*>(At(index));
        if (!other || other == source || !other->IsArmed() ||
            other->GetArmedDevice() != source->GetArmedDevice())
            continue;
        const bool overlap = other->GetArmedChannel() == 2 || source->GetArmedChannel() == 2 ||
                             other->GetArmedChannel() == source->GetArmedChannel();
        if (!overlap)
            continue;
        other->BeginSettingsChange();
        other->Disarm();
        other->EndSettingsChange();
    }
}
