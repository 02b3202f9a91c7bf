#include "project/CMIDIClip.h"
#include "engine/MidiNote.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include <cairo.h>
#include <vector>

#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "project/CMIDIClipUndo.h"
#include "project/CMixerLock.h"
#include "project/ClipDocument.h"
#include "project/ClipEditorNotification.h"
#include "project/ClipEnvelopeRecord.h"
#include "project/MidiClipRecord.h"
#include "support/CRIFF.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace {

ClipEnvelopeRecord::Envelopes EnvelopesOf(CClipAudioBuffer& buffer) {
    ClipEnvelopeRecord::Envelopes envelopes{};
    for (int type = 0; type < ClipEnvelopeRecord::kTypeCount; ++type)
        envelopes[type] = buffer.GetEnvelope(type);
    return envelopes;
}

} // namespace

CMIDIClip::CMIDIClip(ClipDocument& document) : CClip(ClipKind::kMidi), m_document(document) {}

CMIDIClip::CMIDIClip(ClipDocument& document, CMidiSound* atom)
    : CClip(ClipKind::kMidi), m_document(document) {
    AttachAtom(atom);
}

CMIDIClip::CMIDIClip(const CMIDIClip& other)
    : CClip(ClipKind::kMidi), m_document(other.m_document), m_envelopes(other.m_envelopes) {
    CopyBaseFields(other);
    if (other.m_atom)
        AttachAtom(new CMidiSound(*other.m_atom));
    UpdateLabel();
}

CMIDIClip::CMIDIClip(const CMIDIClip& other, double startMs, double endMs)
    : CClip(ClipKind::kMidi), m_document(other.m_document) {
    CopyBaseFields(other);
    if (other.m_atom)
        AttachAtom(new CMidiSound(*other.m_atom, startMs, endMs));
    UpdateLabel();
}

CMIDIClip::~CMIDIClip() {
    EndEditCopy();
    if (m_atom)
        CAudioAtom::DeleteAtom(m_atom);
}

void CMIDIClip::AttachAtom(CMidiSound* atom) {
    if (m_atom)
        CAudioAtom::DeleteAtom(m_atom);
    m_atom = atom;
    UpdateAppearance();
}

CAudioAtom* CMIDIClip::GetEngineAtom() const {
    return m_atom;
}

double CMIDIClip::GetOffsetMs() const {
    return m_atom ? m_atom->GetVirtualTimeStart() : 0.0;
}

double CMIDIClip::GetRate() const {
    return m_atom ? m_atom->Rate() : 1.0;
}

void CMIDIClip::SetRate(double rate, bool undoable) {
    if (!m_atom || rate == GetRate())
        return;
    if (undoable)
        BeginChange();
    {
        CMixerLock lock(m_document.ClipMixer());
        const double oldRate = GetRate();
        // The envelopes follow the material.
        if (m_atom->Rate(rate))
            m_envelopes.Scale(oldRate / rate);
    }
    if (undoable)
        EndChange();
}

int32_t CMIDIClip::GetTranspose() const {
    return m_atom ? m_atom->GetTranspose() : 0;
}

void CMIDIClip::SetTranspose(int32_t semitones, bool undoable) {
    if (!m_atom || semitones == GetTranspose())
        return;
    if (undoable)
        BeginChange();
    m_atom->SetTranspose(semitones);
    if (undoable)
        EndChange();
}

double CMIDIClip::GetLoopStart() const {
    return m_atom ? m_atom->GetLoopStart() : 0.0;
}

double CMIDIClip::GetLoopEnd() const {
    return m_atom ? m_atom->GetLoopEnd() : 0.0;
}

void CMIDIClip::SetLoop(double startMs, double endMs, bool undoable) {
    if (!m_atom || (startMs == GetLoopStart() && endMs == GetLoopEnd()))
        return;
    if (undoable)
        BeginChange();
    {
        CMixerLock lock(m_document.ClipMixer());
        m_atom->SetLoopStart(startMs);
        m_atom->SetLoopEnd(endMs);
    }
    if (undoable)
        EndChange();
    Invalidate(nullptr);
}

void CMIDIClip::SetLoopToTrim() {
    Log("CMIDIClip::SetLoopToTrim() ENTER");
    if (m_atom) {
        const double tempo = m_atom->GetSoundTempo();
        const double factor =
            m_atom->GetObeyTempoMap() && tempo > 0.0 ? 120.0 / tempo : 1.0 / m_atom->Rate();
        double newStart = GetOffsetMs() * factor;
        double newEnd = std::fmin((GetOffsetMs() + GetLengthMs()) * factor, GetLoopEnd());
        const double n = std::round(m_atom->GetMediaLength() + 1.0);
        if (n > 0.0 && std::isfinite(newStart) && std::isfinite(newEnd)) {
            if (newEnd >= n)
                newEnd = std::fmod(std::trunc(newEnd), n);
            if (newStart >= n)
                newStart = std::fmod(std::trunc(newStart), n);
            if (newStart > newEnd)
                std::swap(newStart, newEnd);
            SetLoop(newStart, newEnd, true);
        }
    }
    Log("CMIDIClip::SetLoopToTrim() EXIT");
}

void CMIDIClip::ResizeLeft(double deltaMs, bool undoable) {
    if (!m_atom || !std::isfinite(deltaMs))
        return;
    const double rate = GetRate();
    // Never past the right edge less the shortest clip, never before the
    // material's start.
    const double shift = std::clamp(deltaMs, -GetOffsetMs() / rate,
                                    std::fmax(GetLengthMs() - kMinimumLengthMs, 0.0));
    if (shift == 0.0)
        return;
    if (undoable)
        BeginChange();
    {
        CMixerLock lock(m_document.ClipMixer());
        m_atom->SetHeardOffset(GetHeardStartMs() + shift);
        m_atom->SetVirtualTimeStart(GetOffsetMs() + shift * rate);
        m_atom->SetVirtualLength(GetLengthMs() - shift);
        const auto envelopeShift = static_cast<int32_t>(std::lround(-shift));
        m_envelopes.OffsetEnvelopes(envelopeShift);
        SetEnvelopeShiftMs(GetEnvelopeShiftMs() + envelopeShift);
    }
    if (undoable)
        EndChange();
}

void CMIDIClip::SetAtomLength(double lengthMs) {
    if (m_atom)
        m_atom->SetVirtualLength(lengthMs);
}

void CMIDIClip::StretchTo(double startMs, double lengthMs, double rate) {
    if (!m_atom || !(lengthMs >= kMinimumLengthMs) || !(startMs >= 0.0))
        return;
    CMixerLock lock(m_document.ClipMixer());
    const double oldRate = GetRate();
    if (rate != oldRate) {
        if (!m_atom->Rate(rate))
            return;
        m_envelopes.Scale(oldRate / rate);
    }
    m_atom->SetHeardOffset(startMs);
    m_atom->SetVirtualLength(lengthMs);
}

bool CMIDIClip::OffersMenuItem(int index) const {
    const bool ownItem = index == 1 || index == 6 || (index >= 18 && index <= 24) ||
                         (index >= 26 && index <= 28) || (index >= 30 && index <= 32) ||
                         (index >= 34 && index <= 37) || (index >= 39 && index <= 42);
    return ownItem || CClip::OffersMenuItem(index);
}

bool CMIDIClip::DoesMenuItemItself(int index) const {
    return index == kMenuDetails || CClip::DoesMenuItemItself(index);
}

void CMIDIClip::DoMenuItemItself(int index) {
    if (index == kMenuDetails)
        Notify<kNotifyOpenClipEditor>(*this, this);
    else
        CClip::DoMenuItemItself(index);
}

bool CMIDIClip::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    const bool handled = CClip::OnMouse(event, p, keys);
    if (event == kMouseLeftUpAfterDoubleClick && !IsRecording())
        Notify<kNotifyOpenClipEditor>(*this, this);
    return handled;
}

std::string CMIDIClip::MenuLabelKey(int index) const {
    // The fades of MIDI material have labels of their own.
    if ((index >= 26 && index <= 28) || (index >= 30 && index <= 32))
        return "MIDIClipMenuItem" + std::to_string(index);
    return CClip::MenuLabelKey(index);
}

void CMIDIClip::BeginChange() {
    m_undoBefore = {};
    FillUndoStruct(&m_undoBefore);
}

void CMIDIClip::EndChange() {
    MidiClipUndoStruct after;
    FillUndoStruct(&after);
    if (!(after == m_undoBefore)) {
        RecordChange(CMIDIClipUndo(m_document, CMIDIClipUndo::kChanged, m_undoBefore, after, this,
                                   GetEnvelopeShiftMs()));
    }
    SetEnvelopeShiftMs(0);
}

bool CMIDIClip::FillUndoStruct(MidiClipUndoStruct* state) const {
    LogFmt("FillUndoStruct called on CMIDIClip 0x%08lX",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    if (!m_atom)
        return false;
    MidiClipUndoStruct s;
    s.position = m_atom->AbsoluteOffset();
    s.length = m_atom->Length();
    s.offset = m_atom->GetVirtualTimeStart();
    s.loopStart = m_atom->GetLoopStart();
    s.loopEnd = m_atom->GetLoopEnd();
    s.mediaLength = m_atom->GetMediaLength();
    s.timeSigDenominator = m_atom->GetTimeSigDenominator();
    s.timeSigNumerator = m_atom->GetTimeSigNumerator();
    s.trackIndex = GetTrackIndex();
    s.rate = m_atom->Rate();
    s.transpose = m_atom->GetTranspose();
    s.tempo = m_atom->GetSoundTempo();
    s.key = m_atom->GetKey();
    s.obeyKeyMap = m_atom->GetObeyKeyMap();
    s.obeyTempoMap = m_atom->GetObeyTempoMap();
    s.name = GetName();
    s.beatOffsetMs = CClip::GetBeatOffset();
    s.selected = IsSelected();
    s.locked = IsLocked();
    s.muted = m_atom->IsMuted();
    *state = std::move(s);
    Log("FillUndoStruct exiting.");
    return true;
}

bool CMIDIClip::RestoreToUndoState(const MidiClipUndoStruct& s, int32_t envelopeShiftMs) {
    LogFmt("RestoreToUndoState called on CMIDIClip 0x%08lX",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    if (!m_atom)
        return false;
    {
        CMixerLock lock(m_document.ClipMixer());
        m_atom->ObeyTempoMap(s.obeyTempoMap);
        // The envelopes follow the material as they did when the rate changed.
        const double oldRate = m_atom->Rate();
        if (s.rate != oldRate && m_atom->Rate(s.rate))
            m_envelopes.Scale(oldRate / s.rate);
        m_atom->SetTranspose(s.transpose);
        m_atom->ForceSoundTempo(s.tempo);
        m_atom->ForceKey(s.key);
        m_envelopes.OffsetEnvelopes(envelopeShiftMs);
        m_atom->ObeyKeyMap(s.obeyKeyMap);
        m_atom->SetMediaLength(s.mediaLength);
        m_atom->SetLoopStart(s.loopStart);
        m_atom->SetLoopEnd(s.loopEnd);
        m_atom->SetVirtualLength(s.length);
        m_atom->SetVirtualTimeStart(s.offset);
        m_atom->SetTimeSignature(s.timeSigNumerator, s.timeSigDenominator);
        m_atom->Mute(s.muted);
    }
    if (s.name != GetName())
        SetNameField(s.name);
    SetBeatOffsetField(s.beatOffsetMs);
    SetLockedField(s.locked);
    UpdateLabel();
    UpdateAppearance();
    if (s.trackIndex >= 0 && m_document.PlaceClip(*this, s.trackIndex, s.position))
        m_atom->SetTrackNumber(m_document.EngineTrackNumber(s.trackIndex));
    FitToTiming();
    SetSelected(s.selected);
    SendSelection(s.selected);
    if (m_editCopy)
        m_editCopyStale = true;
    Log("RestoreToUndoState exiting.");
    return true;
}

void CMIDIClip::BeginEditCopy() {
    if (!m_atom)
        return;
    EndEditCopy();
    m_editCopy = new CMidiSound(*m_atom);
    m_editCopy->SetTrackNumber(m_atom->GetTrackNumber());
}

void CMIDIClip::EndEditCopy() {
    if (m_editCopy)
        CAudioAtom::DeleteAtom(m_editCopy);
    m_editCopy = nullptr;
    m_editCopyStale = false;
}

bool CMIDIClip::Save(CRIFF& riff) {
    if (!SaveLoad::Save(riff) || !m_atom)
        return false;
    MidiClipRecord record;
    record.soundId = GetSoundId();
    record.name = GetName();
    record.beatOffsetMs = CClip::GetBeatOffset();
    record.selected = IsSelected();
    if (GetTrack() == nullptr)
        Log("CMIDIClip::Save(CRIFF *riff) - Error!  GetTrack() returned NULL!");
    else
        record.trackIndex = GetTrackIndex();
    if (!riff.WriteListChunkHeader(MidiClipRecord::kListType) || !riff.Descend() ||
        !record.Write(riff))
        return false;
    // A clip saved without its notes would come back empty: fail the save
    // rather than report success.
    if (!m_atom->Save(riff)) {
        Log("CMIDIClip::Save failed snd->Save(riff) - returning false!");
        return false;
    }
    if (!riff.Ascend())
        return false;
    if (!ClipEnvelopeRecord::FromEnvelopes(EnvelopesOf(m_envelopes)).Write(riff)) {
        Log("CMIDIClip::Save failed on GetEnvelope()->Save(riff) - returning false!");
        return false;
    }
    return true;
}

bool CMIDIClip::Load(CRIFF& riff) {
    if (!SaveLoad::Load(riff))
        return false;
    if (!riff.SeekToChunk(FOURCC_LIST, MidiClipRecord::kListType)) {
        Log("CMIDIClip::Load - could not find FOURCC_MIDI_CLIP - returning false!");
        return false;
    }
    if (!riff.Descend())
        return false;
    MidiClipRecord record;
    bool loaded = record.Read(riff) == ProjectReadError::None;
    CMidiSound* sound = new CMidiSound;
    loaded = loaded && sound->Load(riff);
    riff.Ascend();
    riff.SeekToNextChunk();
    if (!loaded) {
        CAudioAtom::DeleteAtom(sound);
        return false;
    }
    AttachAtom(sound);
    if (record.IsKnownVersion()) {
        SetSoundId(record.soundId);
        MidiClipUndoStruct state;
        FillUndoStruct(&state);
        state.name = record.name;
        state.beatOffsetMs = record.beatOffsetMs;
        state.trackIndex = -1; // the loading track places the clip
        state.selected = false;
        state.locked = false;
        RestoreToUndoState(state, 0);
    }
    ClipEnvelopeRecord envelopes;
    if (envelopes.Read(riff) != ProjectReadError::None) {
        Log("CMIDIClip::Load failed to load Guienvelope! returning false!");
        return false;
    }
    envelopes.ApplyTo(EnvelopesOf(m_envelopes));
    Log("CMIDIClip::Load - returning!");
    return true;
}

void CMIDIClip::OnDraw(const GuiRect& r) {
    GuiTexturePanel::OnDraw(r);
    VRGuiWindow* window = GetWindow();
    if (!window || !m_atom || GetWidth() <= 0 || GetLengthMs() <= 0)
        return;
    struct Bar {
        double start, end;
        int pitch;
    };
    std::vector<Bar> notes;
    m_atom->Lock();
    for (int i = 0; i < m_atom->NumNotes(); ++i)
        if (const MidiNotePtr note = m_atom->GetNote(i))
            notes.push_back({note->GetStart(), note->GetEnd(), note->GetPitch()});
    const double loopStart = m_atom->GetLoopStart();
    const double loopEnd = m_atom->GetLoopEnd();
    m_atom->Unlock();
    if (notes.empty())
        return;
    const auto [low, high] = std::minmax_element(
        notes.begin(), notes.end(), [](const Bar& a, const Bar& b) { return a.pitch < b.pitch; });
    const int range = high->pitch - low->pitch + 1;
    const double top = kTitleStripHeight + 2.0;
    const double rowHeight = std::clamp((GetHeight() - top - 2.0) / range, 1.0, 6.0);
    const double msPerPixel = GetLengthMs() / GetWidth();
    const double loopLength = loopEnd - loopStart;
    cairo_t* cr = window->GetDrawContext();
    cairo_set_source_rgba(cr, 0.1, 0.1, 0.15, 0.8);
    // The material plays from the offset, and again from the loop start
    // each time it reaches the loop end.
    double clipMs = 0.0;
    double materialMs = GetOffsetMs();
    while (clipMs < GetLengthMs()) {
        const double passEnd = loopLength > 0 ? loopEnd : materialMs + GetLengthMs();
        for (const Bar& note : notes) {
            if (note.end <= materialMs || note.start >= passEnd)
                continue;
            const double x0 = (clipMs + std::max(note.start, materialMs) - materialMs) / msPerPixel;
            const double x1 = (clipMs + std::min(note.end, passEnd) - materialMs) / msPerPixel;
            if (x1 < r.left || x0 > r.right)
                continue;
            const double y = top + (high->pitch - note.pitch) * rowHeight;
            cairo_rectangle(cr, x0, y, std::max(1.0, x1 - x0), std::max(1.0, rowHeight - 1.0));
        }
        if (loopLength <= 0 || passEnd <= materialMs)
            break;
        clipMs += passEnd - materialMs;
        materialMs = loopStart;
    }
    cairo_fill(cr);
}
