#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The top-level chunks of a RIFF WAVE file, listed without trusting any size
// in it: every entry records how many of its declared body bytes the file
// really holds, so a truncated or hostile file is described, never overrun.
class CWaveChunks {
public:
    struct Chunk {
        uint32_t fourcc = 0;       // as stored, e.g. 'd','a','t','a' little-endian
        uint64_t bodyOffset = 0;   // from the start of the file
        uint32_t declaredSize = 0; // what the chunk header claims
        uint64_t presentSize = 0;  // what the file holds of it
    };

    // Lists the chunks of a file. False when it cannot be read or is not a
    // little-endian RIFF file of form "WAVE".
    bool ReadFile(const std::string& path);
    // The same over a copy of bytes in memory.
    bool ParseBytes(const uint8_t* bytes, size_t size);

    const std::vector<Chunk>& Chunks() const { return m_chunks; }
    // The first chunk with that code, or null.
    const Chunk* Find(const char fourcc[4]) const;
    // Up to maxBytes of the chunk's body, as far as the file holds it.
    std::vector<uint8_t> Body(const Chunk& chunk, size_t maxBytes) const;
    // True when the "data" chunk claims more bytes than the file holds.
    bool DataTruncated() const;

    static uint32_t FourCC(const char code[4]);

private:
    using ReadAt = std::function<size_t(uint64_t offset, uint8_t* out, size_t count)>;
    bool Walk(uint64_t totalSize);

    static constexpr size_t kMaxChunks = 4096;

    ReadAt m_read;
    std::vector<Chunk> m_chunks;
};
