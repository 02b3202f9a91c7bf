#include "engine/CAcidChunk.h"

#include "engine/CWaveChunks.h"

#include <cmath>
#include <cstring>

namespace {

uint32_t ReadLE32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint16_t ReadLE16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

} // namespace

// Layout: flags u32, root note u16, u16 and f32 unused, beats u32,
// meter denominator u16, meter numerator u16, tempo f32; little-endian.
std::optional<CAcidChunk> CAcidChunk::FromBody(const uint8_t* body, size_t size) {
    if (!body || size < kBodySize)
        return std::nullopt;
    CAcidChunk chunk;
    chunk.m_flags = ReadLE32(body);
    const uint16_t root = ReadLE16(body + 4);
    if ((chunk.m_flags & kRootNoteSet) != 0 && root <= 127)
        chunk.m_rootNote = root;
    if (chunk.OneShot())
        return chunk; // a one-shot plays as it is: its tempo and beats mean nothing
    const uint32_t tempoBits = ReadLE32(body + 20);
    float tempo = 0.0f;
    std::memcpy(&tempo, &tempoBits, sizeof(tempo));
    if (std::isfinite(tempo) && tempo >= kMinTempo && tempo <= kMaxTempo)
        chunk.m_tempo = tempo;
    const uint32_t beats = ReadLE32(body + 12);
    if (beats <= kMaxBeats)
        chunk.m_beats = static_cast<int>(beats);
    return chunk;
}

std::optional<CAcidChunk> CAcidChunk::FromWave(const CWaveChunks& chunks) {
    const CWaveChunks::Chunk* acid = chunks.Find("acid");
    if (!acid)
        return std::nullopt;
    const std::vector<uint8_t> body = chunks.Body(*acid, kBodySize);
    return FromBody(body.data(), body.size());
}
