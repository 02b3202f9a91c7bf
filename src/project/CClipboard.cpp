#include "project/CClipboard.h"

#include "engine/TempoMap.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CClipSelection.h"
#include "project/CClipSelectionUndo.h"
#include "project/CClipSplitJoin.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CProjectUndo.h"
#include "project/CTimeSelectionUndo.h"
#include "project/CTrack.h"
#include "project/WholeFrames.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

uint32_t Address(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

bool KindMatches(const CTrack& track, const CClip& clip) {
    return (track.GetKind() == CTrack::kMidi) == (clip.GetClipKind() == ClipKind::kMidi);
}

} // namespace

CClipboard::CClipboard(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

CClipboard::~CClipboard() {
    Clear();
}

void CClipboard::Clear() {
    m_entries.clear();
    m_minTrack = std::numeric_limits<int32_t>::max();
    m_minHeardMs = std::numeric_limits<double>::max();
}

std::optional<CClipboard::Part> CClipboard::SelectedPart(const CClip& clip,
                                                         const std::optional<TimeRange>& range,
                                                         const char* operation) const {
    const double length = clip.GetLengthMs();
    if (!range)
        return Part{0.0, length};
    const double start = clip.GetHeardStartMs();
    // Whole frames into the clip, so that what stays plays as before.
    const Part part{std::clamp(WholeFramesMs(range->startMs - start), 0.0, length),
                    std::clamp(WholeFramesMs(range->endMs - start), 0.0, length)};
    if (part.fromMs >= part.toMs) {
        LogFmt("CClipboard::%s - 0x%x was barely selected (%d - %d) - skipped", operation,
               Address(&clip), int(part.fromMs), int(part.toMs));
        return std::nullopt;
    }
    return part;
}

std::vector<CClip*> CClipboard::Take(const std::optional<TimeRange>& range, const char* operation) {
    Clear();
    std::vector<CClip*> taken;
    CClipSelection& selection = m_project.Selection();
    selection.DropClipsOffTracks();
    int position = 0;
    for (CClip* clip : selection.Clips()) {
        ++position;
        if (clip->IsRecording())
            continue;
        const std::optional<Part> part = SelectedPart(*clip, range, operation);
        if (!part)
            continue;
        LogFmt("%s Sound %d - 0x%x start = %f, end = %f", operation, position, Address(clip),
               part->fromMs, part->toMs);
        RefPtr<CClip> piece =
            RefPtr<CClip>::Adopt(CClipSplitJoin::CopyPart(*clip, part->fromMs, part->toMs));
        if (!piece)
            continue;
        const double heard = clip->GetHeardStartMs() + part->fromMs;
        m_minTrack = std::min(m_minTrack, clip->GetTrackIndex());
        m_minHeardMs = std::min(m_minHeardMs, heard);
        m_entries.push_back({std::move(piece), clip->GetTrackIndex(), heard});
        taken.push_back(clip);
    }
    return taken;
}

bool CClipboard::Copy() {
    Log("CClipboard::Copy - ENTER");
    Take(m_project.TimeSelection().Range(), "Copy");
    Log("CClipboard::Copy - EXIT");
    return !m_entries.empty();
}

void CClipboard::CutOut(CClip& clip, const Part& part) {
    CTrack* track = clip.GetTrack();
    const double length = clip.GetLengthMs();
    const double rightStart =
        m_project.GetTempoMap().GetRealTime(clip.GetHeardStartMs() + part.toMs);
    // What lies outside the selection stays as clips of its own.
    std::vector<RefPtr<CClip>> remainders;
    if (part.fromMs > 0.0)
        remainders.push_back(
            RefPtr<CClip>::Adopt(CClipSplitJoin::CopyPart(clip, 0.0, part.fromMs)));
    if (part.toMs < length)
        remainders.push_back(
            RefPtr<CClip>::Adopt(CClipSplitJoin::CopyPart(clip, part.toMs, length)));
    std::vector<CClip*> placed;
    bool whole = true;
    for (size_t i = 0; i < remainders.size(); ++i) {
        CClip* piece = remainders[i].Get();
        const bool isLeft = i == 0 && part.fromMs > 0.0;
        if (piece) {
            isLeft ? piece->SetFadeOutMs(0) : piece->SetFadeInMs(0);
            if (track->AddClip(piece, isLeft ? clip.GetStartMs() : rightStart, true)) {
                placed.push_back(piece);
                continue;
            }
        }
        whole = false;
    }
    if (whole) {
        track->RemoveClip(&clip, true);
        return;
    }
    // A remainder that could not be placed would be lost: the clip stays.
    LogFmt("CClipboard::Cut - 0x%x could not be split - kept", Address(&clip));
    for (CClip* piece : placed)
        track->RemoveClip(piece, true);
}

bool CClipboard::Cut() {
    Log("CClipboard::Cut - ENTER");
    CUndoStep step(m_undo);
    RemoveSpan(Take(m_project.TimeSelection().Range(), "Cut"), "Cut");
    Log("CClipboard::Cut - EXIT");
    return !m_entries.empty();
}

bool CClipboard::DeleteSpan() {
    Log("CClipboard::DeleteSpan - ENTER");
    CUndoStep step(m_undo);
    const std::optional<TimeRange> range = m_project.TimeSelection().Range();
    std::vector<CClip*> touched;
    CClipSelection& selection = m_project.Selection();
    selection.DropClipsOffTracks();
    for (CClip* clip : selection.Clips())
        if (!clip->IsRecording() && SelectedPart(*clip, range, "DeleteSpan"))
            touched.push_back(clip);
    const bool removed = RemoveSpan(touched, "DeleteSpan");
    Log("CClipboard::DeleteSpan - EXIT");
    return removed;
}

bool CClipboard::RemoveSpan(const std::vector<CClip*>& touched, const char* operation) {
    CTimeSelection& timeSelection = m_project.TimeSelection();
    const std::optional<TimeRange> range = timeSelection.Range();
    const std::optional<TimeSelectionState> selectedTime = timeSelection.State();
    std::vector<CClip*> selected = CClipSelectionUndo::Snapshot(m_project.Selection());
    // Locked clips and clips of frozen tracks stay where they are.
    std::vector<RefPtr<CClip>> removable;
    for (CClip* clip : touched)
        if (CClipSplitJoin::IsEditable(*clip))
            removable.push_back(RefPtr<CClip>::Share(clip));
    if (removable.empty() && !selectedTime)
        return false;
    m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
    for (const RefPtr<CClip>& clip : removable)
        m_project.DeselectClip(clip.Get());
    m_undo.AddUndoNode(CClipSelectionUndo(m_project, selected,
                                          CClipSelectionUndo::Snapshot(m_project.Selection())));
    for (const RefPtr<CClip>& clip : removable) {
        const std::optional<Part> part = SelectedPart(*clip, range, operation);
        if (part && clip->GetTrack())
            CutOut(*clip, *part);
    }
    if (selectedTime) {
        timeSelection.Clear();
        m_undo.AddUndoNode(CTimeSelectionUndo(m_project, selectedTime, std::nullopt));
    }
    m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
    m_undo.SetDirty(true);
    m_project.RecomputeScrollRanges(false, true);
    return !removable.empty();
}

CTrack* CClipboard::TargetTrack(const CClip& clip, int row) {
    const int count = m_project.GetNumTracks();
    // The row itself, then one below, one above, two below, two above ...
    for (int distance = 0; distance < count + std::abs(row) + 1; ++distance)
        for (const int index : {row + distance, row - distance}) {
            CTrack* track = index >= 0 ? m_project.GetTrack(index) : nullptr;
            if (track && KindMatches(*track, clip) && !track->IsFrozen())
                return track;
        }
    return clip.GetClipKind() == ClipKind::kMidi
               ? static_cast<CTrack*>(m_project.AddMIDITrack(-1, true))
               : static_cast<CTrack*>(m_project.AddAudioTrack(-1, true));
}

bool CClipboard::Paste(double heardMs) {
    Log("CClipboard::Paste - Enter");
    const int caretTrack = std::max(0, m_project.GetLastSelectedTrack());
    const TempoMap& tempo = m_project.GetTempoMap();
    double latestEnd = -1.0;
    int pasted = 0;
    {
        CUndoStep step(m_undo);
        int position = 0;
        for (const Entry& entry : m_entries) {
            LogFmt("Paste Sound %d - 0x%x", position++, Address(entry.clip.Get()));
            CTrack* track = TargetTrack(*entry.clip, caretTrack + entry.trackIndex - m_minTrack);
            if (!track)
                continue;
            // A copy of the held piece: the clipboard keeps its own for the next paste.
            RefPtr<CClip> clip = RefPtr<CClip>::Adopt(
                CClipSplitJoin::CopyPart(*entry.clip, 0.0, entry.clip->GetLengthMs()));
            const double heardStart = heardMs + entry.heardMs - m_minHeardMs;
            if (!clip || !track->AddClip(clip.Get(), tempo.GetRealTime(heardStart), true))
                continue;
            if (pasted++ == 0)
                m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
            if (track->GetIndex() == caretTrack)
                latestEnd = std::max(latestEnd, clip->GetHeardStartMs() + clip->GetLengthMs());
        }
        if (pasted > 0) {
            m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
            m_undo.SetDirty(true);
        }
    }
    // A track made for a piece was selected; the caret stays where it was.
    if (m_project.GetLastSelectedTrack() != caretTrack)
        m_project.SelectTrack(caretTrack, false);
    if (latestEnd >= 0.0)
        m_project.MoveCaretAndPlayback(latestEnd > 0.0 ? m_project.SnapAdjustedTime(latestEnd)
                                                       : latestEnd);
    m_project.LayOutTrackArea();
    Log("CClipboard::Paste - EXIT");
    return pasted > 0;
}
