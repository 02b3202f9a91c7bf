#pragma once

#include "support/Observable.h"

#include <cstdint>
#include <vector>

class CTrack;
class CUndoMgr;
class VRGuiContainer;

// The project's ordered track list; a track's index is its display position
// from the top. The list holds one reference on each track and keeps every
// track's index, engine track and place on the screen in step with the
// order. Each change can record its undo step. Observers hear
// kNotifyTrackOrderChanged after a move.
class CAllTracks : public Observable {
public:
    explicit CAllTracks(CUndoMgr& undo);
    ~CAllTracks() override;
    CAllTracks(const CAllTracks&) = delete;
    CAllTracks& operator=(const CAllTracks&) = delete;

    // Where the tracks' headers and bodies are shown; none while headless.
    void SetGuiParents(VRGuiContainer* headerColumn, VRGuiContainer* bodies);

    // Both take over the caller's reference on the track.
    bool Append(CTrack* track, bool undo);
    // An index of 0 or less inserts at the head, one past the end appends.
    bool Insert(CTrack* track, int index, bool undo);
    // Takes the track out of the engine and gives up the list's reference.
    bool Remove(int index, bool undo);
    // Every track and its clips, without undo records.
    void RemoveAll();
    bool Move(int from, int to, bool undo);
    // Moves a track whose header was dragged to `top` in the column to the
    // place its middle was dropped on, and lays the tracks out again even
    // when the place is its own.
    bool MoveDropped(int from, int32_t top, bool undo);
    // Records an undo step only when the height really changes.
    bool SetHeight(int index, int32_t height, bool undo);

    // A project being read appends its tracks in a batch: they join the
    // track area only at EndBatch, each straight at its final place, so
    // that a load of thousands of tracks does not place the tracks and
    // repaint the area once per track added. Indexes are right again after
    // EndBatch.
    void BeginBatch() { m_batch = true; }
    void EndBatch();

    int Count() const { return static_cast<int>(m_tracks.size()); }
    CTrack* At(int index) const;
    int IndexOf(const CTrack* track) const;
    // The sum of the tracks' heights.
    int32_t TotalHeight() const;
    // Silences every track that is not solo while any track is.
    void UpdateSoloSilencing();
    // Disarms the other audio tracks armed on the same input device with an
    // overlapping channel (2 is both).
    void DisarmOthersOnInput(const CTrack* armed);

private:
    // Gives the tracks from `from` on their indexes and places; the tracks
    // above keep theirs, so that appending one track costs one placing.
    void Layout(int from = 0);
    // The index of the track whose place covers y; the first or last one
    // beyond the ends.
    int IndexAtHeight(int32_t y) const;
    void JoinGui(CTrack* track, int32_t y = 0);
    void LeaveGui(CTrack* track);
    void ReselectIfSelected(CTrack* track);

    CUndoMgr& m_undo;
    std::vector<CTrack*> m_tracks;
    VRGuiContainer* m_headerColumn = nullptr;
    VRGuiContainer* m_bodies = nullptr;
    bool m_batch = false;
};
