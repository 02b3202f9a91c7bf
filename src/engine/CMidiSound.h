#pragma once

#include "engine/CAudioAtom.h"
#include "engine/CMidiControllerList.h"
#include "engine/MidiNote.h"
#include "engine/MidiSoundBody.h"
#include "support/FourCC.h"

#include <cstdint>
#include <map>
#include <vector>

class CRIFF;

// A MIDI clip's engine object: its notes (sorted by start), its controller
// lists, its timing on the timeline (inherited position and track number,
// plus offset, length, media length and loop), rate, transpose, tempo, key
// and time signature. All times are milliseconds; note and controller times
// count from the start of the material.
//
// The audio thread reads it under TryLock; every operation here takes the
// lock, and callers that walk the note list (GetNote over an index range)
// take it around the walk. Setters refuse (false) values out of range and
// change nothing then.
class CMidiSound : public CAudioAtom {
public:
    // Chunk that holds the sound's body in project files.
    static constexpr FourCC kChunkID = MakeFourCC("MSnd");

    CMidiSound();
    // A whole copy: notes (new note objects), controllers and settings.
    CMidiSound(const CMidiSound& other);
    // A copy of the material from startMs to endMs: notes overlapping the
    // range, cut to it, and controller events within it, all moved so that
    // the range starts at 0, plus the value each controller had at startMs.
    // The copy's offset is 0 and its length, media length and loop cover
    // the range.
    CMidiSound(const CMidiSound& other, double startMs, double endMs);
    CMidiSound& operator=(const CMidiSound&) = delete;

    // ---- Notes ------------------------------------------------------------------------
    // Adds a note where its start belongs (after notes with the same start);
    // index (may be null) receives its index. Null for invalid data.
    MidiNotePtr AddMidiNote(const TMidiSndNoteData& data, int* index);
    bool RemoveMidiNote(int index);
    void RemoveAllNotes();
    // Null for a bad index.
    MidiNotePtr GetNote(int index) const;
    // -1 when the note is not in this sound.
    int NoteIndex(const MidiNote* note) const;
    int NumNotes() const;

    // ---- Controllers ------------------------------------------------------------------
    // Adds an event to the controller's list (made on first use) in time
    // order; returns its index, -1 for an invalid kind or event.
    int AddController(int controller, int value, double timeMs, int channel);
    bool RemoveController(int controller, int index);
    // The controller's list, null when it never had an event. The list lives
    // as long as the sound; read it under the sound's lock.
    const CMidiControllerList* GetMidiControllerList(int controller) const;

    // ---- Raw MIDI messages (import, recording) ----------------------------------------
    // Takes one short message (status byte, then data bytes in bits 8..14
    // and 16..22): note on/off pairs become notes, control changes, program
    // changes, channel pressure and pitch bend go to their lists. False for
    // other messages, invalid bytes or times.
    bool AppendMidiEvent(uint32_t message, double timeMs);
    // Ends the appended events: notes still sounding end at the latest time
    // appended, or are dropped with dropHangingNotes. (Notes and controllers
    // are always kept sorted.)
    void SortAllEvents(bool dropHangingNotes);

    // ---- Timing -----------------------------------------------------------------------
    double Length() const override;
    bool SetVirtualLength(double ms);
    double GetVirtualTimeStart() const;
    bool SetVirtualTimeStart(double ms);
    double GetMediaLength() const;
    bool SetMediaLength(double ms);
    double GetLoopStart() const;
    bool SetLoopStart(double ms);
    double GetLoopEnd() const;
    bool SetLoopEnd(double ms);

    // ---- Musical settings -------------------------------------------------------------
    double Rate() const;
    bool Rate(double rate);
    int GetTranspose() const;
    bool SetTranspose(int semitones);
    // The material's tempo in bpm; 0 when not known.
    double GetSoundTempo() const;
    bool ForceSoundTempo(double bpm);
    int GetKey() const;
    bool ForceKey(int key);
    // Signed semitones from C to the root of the sound's key, -6..5.
    int GetForcedKeyOffset() const;
    bool GetObeyTempoMap() const;
    void ObeyTempoMap(bool obey);
    bool GetObeyKeyMap() const;
    void ObeyKeyMap(bool obey);
    // 0/0 when not known.
    int GetTimeSigNumerator() const;
    int GetTimeSigDenominator() const;
    bool SetTimeSignature(int numerator, int denominator);

    // ---- Persistence ------------------------------------------------------------------
    MidiSoundContent GetContent() const;
    // Replaces everything with the content; false (changing nothing) when it
    // is not valid. Notes held by editors become invalid.
    bool SetContent(const MidiSoundContent& content);
    // The body as Save writes it (also when a setting is out of range, which
    // Save refuses).
    std::vector<uint8_t> SaveBody() const;
    // False, leaving the sound as it was, for a body that does not read.
    bool LoadBody(const uint8_t* data, size_t size);
    // Writes the body as one kChunkID chunk at the writer's current level.
    bool Save(CRIFF& riff) const;
    // Seeks kChunkID from the current chunk of the level on, reads it and
    // moves past it. False, leaving the sound as it was, when it is missing,
    // short or does not read.
    bool Load(CRIFF& riff);

protected:
    ~CMidiSound() override;

private:
    friend class MidiNote;

    struct HangingNote {
        int channel;
        int pitch;
        int velocity;
        double start;
    };

    // Called by MidiNote::SetNoteData.
    bool ChangeNote(MidiNote* note, const TMidiSndNoteData& data, int* newIndex);
    int InsertNoteSorted(const MidiNotePtr& note);
    void DetachAllNotes();
    void CopyWhole(const CMidiSound& other);
    void CopyRange(const CMidiSound& other, double startMs, double endMs);
    // SetContent without the checks, for copies of an existing sound.
    void ApplyContent(const MidiSoundContent& content);
    void NoteOff(int channel, int pitch, int releaseVelocity, double timeMs);

    std::vector<MidiNotePtr> m_notes;
    std::map<int, CMidiControllerList> m_controllers;
    std::vector<HangingNote> m_hanging;
    double m_latestAppended = 0.0;

    double m_virtualStart = 0.0;
    double m_length = 0.0;
    double m_mediaLength = 0.0;
    double m_loopStart = 0.0;
    double m_loopEnd = 0.0;
    double m_rate = 1.0;
    double m_tempo = 0.0;
    int m_transpose = 0;
    int m_key = 3;
    int m_timeSigNumerator = 0;
    int m_timeSigDenominator = 0;
    bool m_obeyTempoMap = false;
    bool m_obeyKeyMap = true;
};
