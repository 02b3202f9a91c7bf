#include "pianoroll/PRControllerEdits.h"

#include "engine/CMidiSound.h"
#include "pianoroll/CControllerUndo.h"
#include "pianoroll/PRControllerLane.h"
#include "pianoroll/PRControllerStroke.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGeometry.h"
#include "project/CMIDIClip.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"

#include <algorithm>

namespace {

int FindEvent(const CMidiSound& sound, int controller, const MidiControllerEvent& event) {
    const CMidiControllerList* list = sound.GetMidiControllerList(controller);
    if (!list)
        return -1;
    const auto& events = list->Events();
    const auto it = std::find(events.begin(), events.end(), event);
    return it == events.end() ? -1 : static_cast<int>(it - events.begin());
}

bool RemoveEvent(CMidiSound& sound, int controller, const MidiControllerEvent& event) {
    const int index = FindEvent(sound, controller, event);
    return index >= 0 && sound.RemoveController(controller, index);
}

} // namespace

PRControllerEdits::PRControllerEdits(PRNoteEdits& notes) : m_notes(notes) {}

bool PRControllerEdits::Commit(const PRControllerLane& lane, const PRControllerStroke& stroke,
                               double msPerPixel, bool erase) {
    CMidiSound* sound = m_notes.Sound();
    if (!sound || stroke.Empty())
        return false;
    CUndoStep step(m_notes.Undo());
    sound->Lock();
    const bool changed = lane.IsVelocity() ? (!erase && CommitVelocities(lane, stroke, msPerPixel))
                                           : CommitController(lane, stroke, msPerPixel, erase);
    sound->Unlock();
    return changed;
}

bool PRControllerEdits::CommitVelocities(const PRControllerLane& lane,
                                         const PRControllerStroke& stroke, double msPerPixel) {
    const PRNoteGeometry geometry(msPerPixel);
    const std::vector<MidiNotePtr> notes = m_notes.Notes();
    bool changed = false;
    for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
        const MidiNotePtr& note = *it;
        const bool release = lane.Type() == PRLaneType::kReleaseVelocity;
        const int y = stroke.YAt(geometry.XOfTime(release ? note->GetEnd() : note->GetStart()));
        if (y < 0)
            continue;
        TMidiSndNoteData data = note->GetNoteData();
        const int value = lane.ValueAtY(y, stroke.DrawingHeight());
        (release ? data.releaseVelocity : data.velocity) = value;
        if (data != note->GetNoteData() && m_notes.ChangeNote(note, data))
            changed = true;
    }
    return changed;
}

bool PRControllerEdits::CommitController(const PRControllerLane& lane,
                                         const PRControllerStroke& stroke, double msPerPixel,
                                         bool erase) {
    CMIDIClip& clip = m_notes.Clip();
    const int controller = lane.Controller();
    const CMidiControllerList* list = m_notes.Sound()->GetMidiControllerList(controller);
    const std::vector<MidiControllerEvent> existing =
        list ? list->Events() : std::vector<MidiControllerEvent>{};
    PRControllerChange change = Plan(existing, lane, stroke, msPerPixel, erase, DrawChannel());
    if (change.Empty())
        return false;
    for (const MidiControllerEvent& event : change.removed)
        ApplyRemove(clip, controller, event);
    std::vector<MidiControllerEvent> added;
    for (const MidiControllerEvent& event : change.added)
        if (ApplyAdd(clip, controller, event))
            added.push_back(event);
    m_notes.Undo().AddUndoNode(
        CControllerUndo(clip, controller, std::move(change.removed), std::move(added)));
    return true;
}

PRControllerChange PRControllerEdits::Plan(const std::vector<MidiControllerEvent>& existing,
                                           const PRControllerLane& lane,
                                           const PRControllerStroke& stroke, double msPerPixel,
                                           bool erase, int channel) {
    PRControllerChange change;
    if (stroke.Empty() || lane.IsVelocity())
        return change;
    const PRNoteGeometry geometry(msPerPixel);
    for (const MidiControllerEvent& event : existing) {
        const int column = geometry.XOfTime(event.time);
        if (column >= stroke.Least() && column <= stroke.Greatest())
            change.removed.push_back(event);
    }
    if (erase)
        return change;
    int previous = -1;
    double lastTime = 0.0;
    for (const auto& [x, y] : stroke.Points()) {
        const int value = lane.ValueAtY(y, stroke.DrawingHeight());
        lastTime = geometry.TimeOfX(x);
        if (value != previous)
            change.added.push_back({lastTime, value, channel});
        previous = value;
    }
    if (lane.IsPitchBend() && previous != CMidiControllerList::kPitchBendCentre)
        change.added.push_back({lastTime + 1.0, CMidiControllerList::kPitchBendCentre, channel});
    return change;
}

bool PRControllerEdits::ApplyAdd(CMIDIClip& clip, int controller,
                                 const MidiControllerEvent& event) {
    CMidiSound* sound = clip.GetAtom();
    if (!sound || sound->AddController(controller, event.value, event.time, event.channel) < 0)
        return false;
    if (CMidiSound* copy = clip.GetEditCopy())
        copy->AddController(controller, event.value, event.time, event.channel);
    return true;
}

bool PRControllerEdits::ApplyRemove(CMIDIClip& clip, int controller,
                                    const MidiControllerEvent& event) {
    CMidiSound* sound = clip.GetAtom();
    if (!sound || !RemoveEvent(*sound, controller, event))
        return false;
    if (CMidiSound* copy = clip.GetEditCopy())
        RemoveEvent(*copy, controller, event);
    return true;
}

int PRControllerEdits::DrawChannel() const {
    const MidiNotePtr first = m_notes.Sound()->GetNote(0);
    return first ? first->GetChannel() : 0;
}
