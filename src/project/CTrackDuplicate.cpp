#include "project/CTrackDuplicate.h"

#include "project/CAllTracks.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CClipChunks.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackPositionUndo.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// What the copy takes over: everything but the arming and the frozen state.
template <typename Record> void MakeRecordACopy(Record& record) {
    record.armed = false;
    record.frozen = false;
    record.frozenFilePath.clear();
}

// Reads the clips of the source's chunks onto the copy, each recorded as added.
void AddClipCopies(CTrack& copy, ClipDocument& document, const std::vector<RawChunk>& chunks) {
    std::vector<RawChunk> strays;
    for (const std::vector<RawChunk>& group : CClipChunks::Group(chunks, &strays)) {
        CClip* clip = CClipChunks::Read(document, group);
        if (!clip)
            continue;
        clip->SetSelected(false);
        if (!copy.AddClip(clip, clip->GetStartMs(), true))
            LogFmt("CProject::DuplicateSelectedTrack() could not place a copy of '%s'",
                   clip->GetName().c_str());
        clip->DeleteRefObject();
    }
}

} // namespace

bool CTrackDuplicate::CanDuplicate(const CTrack* track) {
    return track && std::none_of(track->Clips().begin(), track->Clips().end(),
                                 [](const CClip* clip) { return clip->IsRecording(); });
}

CTrack* CTrackDuplicate::DuplicateSelectedTrack() {
    const int index = m_project.GetLastSelectedTrack();
    LogFmt("CProject::DuplicateSelectedTrack() lastSelectedTrack:%d", index);
    CTrack* source = m_project.GetTrack(index);
    if (!CanDuplicate(source))
        return nullptr;
    TrackFileContents contents = source->MakeFileContents(false);
    if (contents.incomplete) {
        Log("CProject::DuplicateSelectedTrack() could not copy the clips - returning false!");
        return nullptr;
    }
    const std::vector<RawChunk> clipChunks = std::move(contents.clipChunks);
    contents.clipChunks.clear();
    if (AudioTrackRecord* audio = contents.Audio())
        MakeRecordACopy(*audio);
    if (MidiTrackRecord* midi = contents.Midi())
        MakeRecordACopy(*midi);

    CUndoStep step(m_undo);
    const bool midi = source->GetKind() == CTrack::kMidi;
    CTrack* copy = midi ? static_cast<CTrack*>(m_project.AddMIDITrack(index + 1, false))
                        : static_cast<CTrack*>(m_project.AddAudioTrack(index + 1, false));
    if (!copy)
        return nullptr;
    if (!copy->ApplyFileContents(contents)) {
        m_project.DeleteTrack(copy->GetIndex(), false);
        m_project.SelectTrack(index, false);
        return nullptr;
    }
    // The track first, then its clips: undo takes the clips off, then the track.
    m_undo.AddUndoNode(CTrackPositionUndo(m_project.Tracks(), CTrackPositionUndo::kInserted, copy,
                                          copy->GetIndex(), 0));
    AddClipCopies(*copy, m_project.Clips(), clipChunks);
    m_project.SelectTrack(copy->GetIndex(), false);
    m_project.LayOutTrackArea();
    Log("CProject::DuplicateSelectedTrack() EXIT");
    return copy;
}
