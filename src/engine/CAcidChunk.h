#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class CWaveChunks;

// The loop information a WAV file may carry in its "acid" chunk: tempo, root
// note and length in beats. Values outside sensible ranges read as absent (0),
// so a damaged chunk never gives a sound an absurd tempo or key.
class CAcidChunk {
public:
    static constexpr uint32_t kOneShot = 0x01;
    static constexpr uint32_t kRootNoteSet = 0x02;
    static constexpr size_t kBodySize = 24;

    // Parses a chunk body; null when it is shorter than the chunk's fixed layout.
    static std::optional<CAcidChunk> FromBody(const uint8_t* body, size_t size);
    // The "acid" chunk of a listed WAV file, or null when it has none.
    static std::optional<CAcidChunk> FromWave(const CWaveChunks& chunks);

    // Beats per minute; 0 for a one-shot or when the stored tempo is unusable.
    double Tempo() const { return m_tempo; }
    // MIDI note number; 0 when the chunk sets none.
    int RootNote() const { return m_rootNote; }
    // Length of the loop in beats; 0 for a one-shot or when unusable.
    int Beats() const { return m_beats; }
    bool OneShot() const { return (m_flags & kOneShot) != 0; }
    // The length of one beat at the stored tempo, 0 without a tempo.
    double BeatLengthMs() const { return m_tempo > 0.0 ? 60000.0 / m_tempo : 0.0; }

private:
    static constexpr double kMinTempo = 1.0;
    static constexpr double kMaxTempo = 999.0;
    static constexpr uint32_t kMaxBeats = 65536;

    uint32_t m_flags = 0;
    double m_tempo = 0.0;
    int m_rootNote = 0;
    int m_beats = 0;
};
