#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends little-endian numbers, byte runs and length-prefixed texts to a
// growing byte vector: the writing half of the engine's small binary records
// (effect states, effect chain bodies).
class CByteWriter {
public:
    void WriteU8(uint8_t value) { m_bytes.push_back(value); }
    void WriteU16(uint16_t value);
    void WriteU32(uint32_t value);
    void WriteF32(float value);
    void WriteBytes(const void* data, size_t size);
    // A u16 byte count, then the bytes (no terminator). Longer texts are cut
    // at 65535 bytes.
    void WriteText(const std::string& text);

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    std::vector<uint8_t> TakeBytes() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};
