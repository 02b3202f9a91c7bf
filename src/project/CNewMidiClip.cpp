#include "project/CNewMidiClip.h"

#include "engine/CMidiSound.h"
#include "engine/TempoMap.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/ClipEditorNotification.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

double CNewMidiClip::BarMs(int numerator, int denominator) {
    const int beats = numerator > 0 ? numerator : 4;
    const int unit = denominator > 0 ? denominator : 4;
    // A reference beat is a quarter note.
    return beats * TempoMap::kReferenceBeatMs * 4.0 / unit;
}

CMIDIClip* CNewMidiClip::AddAtCaret() {
    if (m_project.InFileActivity())
        return nullptr;
    Log("CNewMidiClip::AddAtCaret() - Enter");
    CUndoStep step(m_undo);
    const int tracksBefore = m_project.GetNumTracks();
    CMIDITrack* track = TargetTrack();
    if (!track)
        return nullptr;
    // A track made for the clip plays it with something; the user's own
    // tracks keep their chains.
    if (m_project.GetNumTracks() > tracksBefore)
        track->EnsureInstrument();
    const double startMs = m_project.CaretClipStart();
    auto* clip = new CMIDIClip(m_project.Clips(), MakeSound(startMs));
    clip->SetName(track->GetName(), false);
    const bool placed = track->AddClip(clip, startMs, true);
    // A placed clip lives on in its track.
    clip->DeleteRefObject();
    if (!placed) {
        Log("CNewMidiClip::AddAtCaret() failed on AddClip - returning!");
        return nullptr;
    }
    m_project.SelectClip(clip, false);
    m_undo.SetDirty(true);
    Notify<kNotifyOpenClipEditor>(m_project, clip);
    return clip;
}

CMIDITrack* CNewMidiClip::TargetTrack() {
    const int index = m_project.GetLastSelectedTrack();
    if (index < 0 || index >= m_project.GetNumTracks())
        return m_project.AddMIDITrack(-1, true);
    if (auto* midi = dynamic_cast<CMIDITrack*>(m_project.GetTrack(index)))
        return midi;
    return m_project.AddMIDITrack(index, true);
}

CMidiSound* CNewMidiClip::MakeSound(double startMs) const {
    int numerator = 4;
    int denominator = 4;
    m_project.GetTempoMap().GetTimeSignatureAtTime(startMs, &numerator, &denominator);
    const double bar = BarMs(numerator, denominator);
    auto* sound = new CMidiSound;
    sound->SetTimeSignature(numerator > 0 ? numerator : 4, denominator > 0 ? denominator : 4);
    sound->ObeyTempoMap(true);
    sound->ForceSoundTempo(TempoMap::kReferenceTempo);
    sound->SetMediaLength(bar);
    sound->SetVirtualLength(bar);
    sound->SetLoopEnd(bar);
    return sound;
}
