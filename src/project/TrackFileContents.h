#pragma once

#include "project/AudioTrackRecord.h"
#include "project/MidiTrackRecord.h"
#include "project/ProjectReadError.h"
#include "project/RawChunk.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class CEffectChain;
class CRIFF;

// One track as a project file holds it: its record, its chains and its clip
// chunks. In the file: "TrkA", "EfxL" and the clips for an audio track;
// "TrkM", "EfxL", "EisL", "Eifx" and the clips for a MIDI track. The clip
// chunks are kept as bytes, in file order (the last clip of the track first).
struct TrackFileContents {
    static constexpr FourCC kEffectsCode = MakeFourCC("EfxL");
    static constexpr FourCC kInstrumentCode = MakeFourCC("EisL");
    static constexpr FourCC kInstrumentEffectsCode = MakeFourCC("Eifx");

    explicit TrackFileContents(AudioTrackRecord audio);
    explicit TrackFileContents(MidiTrackRecord midi);
    ~TrackFileContents();
    TrackFileContents(TrackFileContents&&) noexcept;
    TrackFileContents& operator=(TrackFileContents&&) noexcept;

    bool IsMidi() const { return std::holds_alternative<MidiTrackRecord>(record); }
    // The record of the track's kind; null for the other kind.
    AudioTrackRecord* Audio() { return std::get_if<AudioTrackRecord>(&record); }
    const AudioTrackRecord* Audio() const { return std::get_if<AudioTrackRecord>(&record); }
    MidiTrackRecord* Midi() { return std::get_if<MidiTrackRecord>(&record); }
    const MidiTrackRecord* Midi() const { return std::get_if<MidiTrackRecord>(&record); }

    // True for a chunk that starts a clip's chunks ("ClpA", or a LIST "ClpM").
    static bool StartsClip(const RawChunk& chunk);
    // The clips the clip chunks hold.
    uint32_t CountClips() const;

    // Writes the record (its clip count taken from the clip chunks), the
    // chains and the clip chunks.
    bool Write(CRIFF& riff) const;
    // Reads a track from the reader's current chunk, which must be "TrkA" or
    // "TrkM": the record, the chains, which must follow it directly, and
    // every chunk up to the next track or the end of the file as its clip
    // chunks. A clip count larger than the clips present is lowered to them.
    static ProjectReadError Read(CRIFF& riff, std::optional<TrackFileContents>* track);

    std::variant<AudioTrackRecord, MidiTrackRecord> record;
    std::unique_ptr<CEffectChain> effects;
    std::unique_ptr<CEffectChain> instrument;        // MIDI tracks only
    std::unique_ptr<CEffectChain> instrumentEffects; // MIDI tracks only
    std::vector<RawChunk> clipChunks;
    // Set when the track's clips could not all be turned into chunks; such
    // contents refuse to be written rather than lose the clips.
    bool incomplete = false;
    // A legacy session's per-track value for the engine track; absent otherwise.
    std::optional<uint32_t> legacyEngineValue;
};

// True for the chunk codes that begin a track.
bool IsTrackChunkCode(FourCC code);
