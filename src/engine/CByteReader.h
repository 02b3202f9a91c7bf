#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads little-endian numbers, byte runs and length-prefixed texts from a
// byte range without ever going past its end: a read that does not fit
// fails, leaves the output untouched and makes every later read fail too,
// so a parser may check Ok() once at the end of a record.
class CByteReader {
public:
    CByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    bool ReadU8(uint8_t& value);
    bool ReadU16(uint16_t& value);
    bool ReadU32(uint32_t& value);
    bool ReadF32(float& value);
    // Points `out` at the next `size` bytes (inside the reader's range).
    bool ReadSpan(size_t size, const uint8_t*& out);
    // A u16 byte count and that many bytes; at most maxSize bytes accepted.
    bool ReadText(std::string& text, size_t maxSize);

    bool Ok() const { return !m_failed; }
    size_t Remaining() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos == m_size; }

private:
    bool Take(size_t size, const uint8_t*& out);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_failed = false;
};
