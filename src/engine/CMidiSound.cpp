#include "engine/CMidiSound.h"

#include "engine/TempoMap.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Holds an atom's lock for a scope; const operations lock too, since the
// lock guards against the writer, not against this object's constness.
class AtomLock {
public:
    explicit AtomLock(const CAudioAtom& atom) : m_atom(const_cast<CAudioAtom&>(atom)) {
        m_atom.Lock();
    }
    ~AtomLock() { m_atom.Unlock(); }
    AtomLock(const AtomLock&) = delete;
    AtomLock& operator=(const AtomLock&) = delete;

private:
    CAudioAtom& m_atom;
};

bool IsTime(double ms) {
    return std::isfinite(ms) && ms >= 0.0;
}

bool StartsBefore(double start, const MidiNotePtr& note) {
    return start < note->GetStart();
}

} // namespace

CMidiSound::CMidiSound() = default;

CMidiSound::CMidiSound(const CMidiSound& other) : CAudioAtom() {
    CopyWhole(other);
}

CMidiSound::CMidiSound(const CMidiSound& other, double startMs, double endMs) : CAudioAtom() {
    CopyRange(other, startMs, endMs);
}

CMidiSound::~CMidiSound() {
    DetachAllNotes();
}

void CMidiSound::CopyWhole(const CMidiSound& other) {
    ApplyContent(other.GetContent());
}

void CMidiSound::CopyRange(const CMidiSound& other, double startMs, double endMs) {
    MidiSoundContent content = other.GetContent();
    if (!IsTime(startMs) || !std::isfinite(endMs) || endMs < startMs)
        endMs = startMs = 0.0;
    const double span = endMs - startMs;

    std::vector<TMidiSndNoteData> notes;
    for (TMidiSndNoteData note : content.notes) {
        if (note.end <= startMs || note.start >= endMs)
            continue;
        note.start = std::max(note.start, startMs) - startMs;
        note.end = std::min(note.end, endMs) - startMs;
        notes.push_back(note);
    }
    content.notes = std::move(notes);

    for (auto& list : content.controllers) {
        std::vector<MidiControllerEvent> events;
        const MidiControllerEvent* before = nullptr;
        for (const MidiControllerEvent& event : list.events) {
            if (event.time < startMs)
                before = &event;
            else if (event.time < endMs)
                events.push_back({event.time - startMs, event.value, event.channel});
        }
        // The controller's state at the cut carries over unless the range
        // sets it at its very start.
        if (before && (events.empty() || events.front().time > 0.0))
            events.insert(events.begin(), {0.0, before->value, before->channel});
        list.events = std::move(events);
    }

    content.virtualStart = 0.0;
    content.length = span;
    content.mediaLength = span;
    content.loopStart = 0.0;
    content.loopEnd = span;
    ApplyContent(content);
}

// ---- Notes ------------------------------------------------------------------------------

MidiNotePtr CMidiSound::AddMidiNote(const TMidiSndNoteData& data, int* index) {
    if (!MidiNote::IsValidNoteData(data))
        return nullptr;
    MidiNotePtr note(new MidiNote(data, this));
    AtomLock lock(*this);
    const int at = InsertNoteSorted(note);
    if (index)
        *index = at;
    return note;
}

bool CMidiSound::RemoveMidiNote(int index) {
    AtomLock lock(*this);
    if (index < 0 || index >= NumNotes())
        return false;
    m_notes[index]->Detach();
    m_notes.erase(m_notes.begin() + index);
    return true;
}

void CMidiSound::RemoveAllNotes() {
    AtomLock lock(*this);
    DetachAllNotes();
    m_notes.clear();
}

MidiNotePtr CMidiSound::GetNote(int index) const {
    AtomLock lock(*this);
    if (index < 0 || index >= static_cast<int>(m_notes.size()))
        return nullptr;
    return m_notes[index];
}

int CMidiSound::NoteIndex(const MidiNote* note) const {
    AtomLock lock(*this);
    if (!note || note->Owner() != this)
        return -1;
    // Notes are sorted by start: look only among those with the same start.
    auto it = std::lower_bound(
        m_notes.begin(), m_notes.end(), note->GetStart(),
        [](const MidiNotePtr& other, double start) { return other->GetStart() < start; });
    for (; it != m_notes.end() && (*it)->GetStart() == note->GetStart(); ++it) {
        if (it->get() == note)
            return static_cast<int>(it - m_notes.begin());
    }
    return -1;
}

int CMidiSound::NumNotes() const {
    AtomLock lock(*this);
    return static_cast<int>(m_notes.size());
}

bool CMidiSound::ChangeNote(MidiNote* note, const TMidiSndNoteData& data, int* newIndex) {
    if (!MidiNote::IsValidNoteData(data))
        return false;
    AtomLock lock(*this);
    const int index = NoteIndex(note);
    if (index < 0)
        return false;
    MidiNotePtr kept = m_notes[index];
    m_notes.erase(m_notes.begin() + index);
    kept->Assign(data);
    const int at = InsertNoteSorted(kept);
    if (newIndex)
        *newIndex = at;
    return true;
}

int CMidiSound::InsertNoteSorted(const MidiNotePtr& note) {
    const auto at =
        std::upper_bound(m_notes.begin(), m_notes.end(), note->GetStart(), StartsBefore);
    const auto inserted = m_notes.insert(at, note);
    return static_cast<int>(inserted - m_notes.begin());
}

void CMidiSound::DetachAllNotes() {
    for (const MidiNotePtr& note : m_notes)
        note->Detach();
}

// ---- Controllers ------------------------------------------------------------------------

int CMidiSound::AddController(int controller, int value, double timeMs, int channel) {
    const MidiControllerEvent event{timeMs, value, channel};
    if (!CMidiControllerList::IsValidEvent(controller, event))
        return -1;
    AtomLock lock(*this);
    auto [it, added] = m_controllers.try_emplace(controller, controller);
    return it->second.Insert(event);
}

bool CMidiSound::RemoveController(int controller, int index) {
    AtomLock lock(*this);
    const auto it = m_controllers.find(controller);
    return it != m_controllers.end() && it->second.Remove(index);
}

const CMidiControllerList* CMidiSound::GetMidiControllerList(int controller) const {
    AtomLock lock(*this);
    const auto it = m_controllers.find(controller);
    return it == m_controllers.end() ? nullptr : &it->second;
}

// ---- Raw MIDI messages ------------------------------------------------------------------

bool CMidiSound::AppendMidiEvent(uint32_t message, double timeMs) {
    const int status = static_cast<int>(message & 0xFF);
    const int data1 = static_cast<int>((message >> 8) & 0xFF);
    const int data2 = static_cast<int>((message >> 16) & 0xFF);
    if (status < 0x80 || status >= 0xF0 || data1 > 127 || data2 > 127 || !IsTime(timeMs))
        return false;
    const int channel = status & 0x0F;
    AtomLock lock(*this);
    m_latestAppended = std::max(m_latestAppended, timeMs);
    switch (status & 0xF0) {
    case 0x90:
        if (data2 > 0) {
            m_hanging.push_back({channel, data1, data2, timeMs});
            return true;
        }
        NoteOff(channel, data1, 0, timeMs);
        return true;
    case 0x80:
        NoteOff(channel, data1, data2, timeMs);
        return true;
    case 0xB0:
        return AddController(data1, data2, timeMs, channel) >= 0;
    case 0xC0:
        return AddController(CMidiControllerList::kProgramChange, data1, timeMs, channel) >= 0;
    case 0xD0:
        return AddController(CMidiControllerList::kChannelPressure, data1, timeMs, channel) >= 0;
    case 0xE0:
        return AddController(CMidiControllerList::kPitchBend, data1 | (data2 << 7), timeMs,
                             channel) >= 0;
    default: // polyphonic key pressure is not kept
        return false;
    }
}

void CMidiSound::NoteOff(int channel, int pitch, int releaseVelocity, double timeMs) {
    // The earliest note still sounding on that key ends.
    const auto it = std::find_if(m_hanging.begin(), m_hanging.end(), [&](const HangingNote& h) {
        return h.channel == channel && h.pitch == pitch;
    });
    if (it == m_hanging.end())
        return;
    TMidiSndNoteData data;
    data.channel = channel;
    data.pitch = pitch;
    data.velocity = it->velocity;
    data.releaseVelocity = releaseVelocity;
    data.start = it->start;
    data.end = std::max(timeMs, it->start);
    m_hanging.erase(it);
    AddMidiNote(data, nullptr);
}

void CMidiSound::SortAllEvents(bool dropHangingNotes) {
    AtomLock lock(*this);
    if (!dropHangingNotes) {
        while (!m_hanging.empty()) {
            const HangingNote& first = m_hanging.front();
            NoteOff(first.channel, first.pitch, 0, m_latestAppended);
        }
    }
    m_hanging.clear();
}

// ---- Timing -----------------------------------------------------------------------------

double CMidiSound::Length() const {
    AtomLock lock(*this);
    return m_length;
}

bool CMidiSound::SetVirtualLength(double ms) {
    if (!IsTime(ms))
        return false;
    AtomLock lock(*this);
    m_length = ms;
    return true;
}

double CMidiSound::GetVirtualTimeStart() const {
    AtomLock lock(*this);
    return m_virtualStart;
}

bool CMidiSound::SetVirtualTimeStart(double ms) {
    if (!IsTime(ms))
        return false;
    AtomLock lock(*this);
    m_virtualStart = ms;
    return true;
}

double CMidiSound::GetMediaLength() const {
    AtomLock lock(*this);
    return m_mediaLength;
}

bool CMidiSound::SetMediaLength(double ms) {
    if (!IsTime(ms))
        return false;
    AtomLock lock(*this);
    m_mediaLength = ms;
    return true;
}

double CMidiSound::GetLoopStart() const {
    AtomLock lock(*this);
    return m_loopStart;
}

bool CMidiSound::SetLoopStart(double ms) {
    if (!IsTime(ms))
        return false;
    AtomLock lock(*this);
    m_loopStart = ms;
    return true;
}

double CMidiSound::GetLoopEnd() const {
    AtomLock lock(*this);
    return m_loopEnd;
}

bool CMidiSound::SetLoopEnd(double ms) {
    if (!IsTime(ms))
        return false;
    AtomLock lock(*this);
    m_loopEnd = ms;
    return true;
}

// ---- Musical settings -------------------------------------------------------------------

double CMidiSound::Rate() const {
    AtomLock lock(*this);
    return m_rate;
}

bool CMidiSound::Rate(double rate) {
    if (!std::isfinite(rate) || rate <= 0.0)
        return false;
    AtomLock lock(*this);
    m_rate = rate;
    return true;
}

int CMidiSound::GetTranspose() const {
    AtomLock lock(*this);
    return m_transpose;
}

bool CMidiSound::SetTranspose(int semitones) {
    if (semitones < -MidiSoundBody::kMaxTranspose || semitones > MidiSoundBody::kMaxTranspose)
        return false;
    AtomLock lock(*this);
    m_transpose = semitones;
    return true;
}

double CMidiSound::GetSoundTempo() const {
    AtomLock lock(*this);
    return m_tempo;
}

bool CMidiSound::ForceSoundTempo(double bpm) {
    if (bpm != 0.0 && !(bpm >= 1.0 && bpm <= 999.0))
        return false;
    AtomLock lock(*this);
    m_tempo = bpm;
    return true;
}

int CMidiSound::GetKey() const {
    AtomLock lock(*this);
    return m_key;
}

bool CMidiSound::ForceKey(int key) {
    if (!TempoMap::IsValidKey(key))
        return false;
    AtomLock lock(*this);
    m_key = key;
    return true;
}

int CMidiSound::GetForcedKeyOffset() const {
    const int root = TempoMap::GetKeyRoot(GetKey());
    return root > 5 ? root - 12 : root;
}

bool CMidiSound::GetObeyTempoMap() const {
    AtomLock lock(*this);
    return m_obeyTempoMap;
}

void CMidiSound::ObeyTempoMap(bool obey) {
    AtomLock lock(*this);
    m_obeyTempoMap = obey;
}

bool CMidiSound::GetObeyKeyMap() const {
    AtomLock lock(*this);
    return m_obeyKeyMap;
}

void CMidiSound::ObeyKeyMap(bool obey) {
    AtomLock lock(*this);
    m_obeyKeyMap = obey;
}

int CMidiSound::GetTimeSigNumerator() const {
    AtomLock lock(*this);
    return m_timeSigNumerator;
}

int CMidiSound::GetTimeSigDenominator() const {
    AtomLock lock(*this);
    return m_timeSigDenominator;
}

bool CMidiSound::SetTimeSignature(int numerator, int denominator) {
    MidiSoundContent probe;
    probe.timeSigNumerator = numerator;
    probe.timeSigDenominator = denominator;
    if (!MidiSoundBody::IsValidContent(probe))
        return false;
    AtomLock lock(*this);
    m_timeSigNumerator = numerator;
    m_timeSigDenominator = denominator;
    return true;
}

// ---- Persistence ------------------------------------------------------------------------

MidiSoundContent CMidiSound::GetContent() const {
    AtomLock lock(*this);
    MidiSoundContent c;
    c.position = AbsoluteOffset();
    c.virtualStart = m_virtualStart;
    c.length = m_length;
    c.mediaLength = m_mediaLength;
    c.loopStart = m_loopStart;
    c.loopEnd = m_loopEnd;
    c.rate = m_rate;
    c.tempo = m_tempo;
    c.transpose = m_transpose;
    c.key = m_key;
    c.trackNumber = GetTrackNumber();
    c.timeSigNumerator = m_timeSigNumerator;
    c.timeSigDenominator = m_timeSigDenominator;
    c.muted = IsMuted();
    c.obeyTempoMap = m_obeyTempoMap;
    c.obeyKeyMap = m_obeyKeyMap;
    c.notes.reserve(m_notes.size());
    for (const MidiNotePtr& note : m_notes)
        c.notes.push_back(note->GetNoteData());
    for (const auto& [controller, list] : m_controllers) {
        if (list.Count() > 0)
            c.controllers.push_back({controller, list.Events()});
    }
    return c;
}

bool CMidiSound::SetContent(const MidiSoundContent& c) {
    if (!MidiSoundBody::IsValidContent(c))
        return false;
    ApplyContent(c);
    return true;
}

void CMidiSound::ApplyContent(const MidiSoundContent& c) {
    // Build the new lists before taking the lock, so that the audio thread is
    // kept out only for the swap.
    std::vector<MidiNotePtr> notes;
    notes.reserve(c.notes.size());
    for (const TMidiSndNoteData& data : c.notes)
        notes.emplace_back(new MidiNote(data, this));
    std::stable_sort(notes.begin(), notes.end(), [](const MidiNotePtr& a, const MidiNotePtr& b) {
        return a->GetStart() < b->GetStart();
    });
    std::map<int, CMidiControllerList> controllers;
    for (const auto& list : c.controllers) {
        auto& target = controllers.try_emplace(list.controller, list.controller).first->second;
        for (const MidiControllerEvent& event : list.events)
            target.Insert(event);
    }

    AtomLock lock(*this);
    DetachAllNotes();
    m_notes.swap(notes);
    // Lists already handed out stay where they are (emptied when the
    // content has no such kind): a list pointer is good for the sound's life.
    for (auto& [controller, list] : m_controllers) {
        CMidiControllerList empty(controller);
        list.SwapEvents(empty);
    }
    for (auto& [controller, list] : controllers)
        m_controllers.try_emplace(controller, controller).first->second.SwapEvents(list);
    m_hanging.clear();
    SetAbsoluteOffset(c.position);
    m_virtualStart = c.virtualStart;
    m_length = c.length;
    m_mediaLength = c.mediaLength;
    m_loopStart = c.loopStart;
    m_loopEnd = c.loopEnd;
    m_rate = c.rate;
    m_tempo = c.tempo;
    m_transpose = c.transpose;
    m_key = c.key;
    SetTrackNumber(c.trackNumber);
    m_timeSigNumerator = c.timeSigNumerator;
    m_timeSigDenominator = c.timeSigDenominator;
    Mute(c.muted);
    m_obeyTempoMap = c.obeyTempoMap;
    m_obeyKeyMap = c.obeyKeyMap;
}

std::vector<uint8_t> CMidiSound::SaveBody() const {
    return MidiSoundBody::Write(GetContent());
}

bool CMidiSound::LoadBody(const uint8_t* data, size_t size) {
    MidiSoundContent content;
    return MidiSoundBody::Read(data, size, &content) && SetContent(content);
}

bool CMidiSound::Save(CRIFF& riff) const {
    const MidiSoundContent content = GetContent();
    // Never write what Load would refuse (a position or track number set out
    // of range through the atom base).
    if (!MidiSoundBody::IsValidContent(content)) {
        Log("CMidiSound::Save failed - settings out of range - returning false!");
        return false;
    }
    const std::vector<uint8_t> body = MidiSoundBody::Write(content);
    if (body.size() > std::numeric_limits<uint32_t>::max()) {
        Log("CMidiSound::Save failed - body too large - returning false!");
        return false;
    }
    if (!riff.WriteSubChunk(kChunkID, body.data(), static_cast<uint32_t>(body.size()))) {
        Log("CMidiSound::Save failed on WriteSubChunk - returning false!");
        return false;
    }
    return true;
}

bool CMidiSound::Load(CRIFF& riff) {
    RIFFChunkInfo chunk;
    if (!riff.SeekToChunk(kChunkID) || !riff.GetCurrentChunkInfo(nullptr, &chunk)) {
        Log("CMidiSound::Load failed to find its chunk - returning false!");
        return false;
    }
    std::vector<uint8_t> body(chunk.chunkSize);
    if (riff.ReadCurrentSubChunk(body.data(), chunk.chunkSize) != chunk.chunkSize) {
        Log("CMidiSound::Load failed (readSize != subChunk.chunkSize) - returning false!");
        return false;
    }
    riff.SeekToNextChunk();
    if (!LoadBody(body.data(), body.size())) {
        Log("CMidiSound::Load failed - corrupt note data - returning false!");
        return false;
    }
    return true;
}
