#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRIFF;

// One fixed-size record of the project file: a zero-filled block of bytes
// whose fields are little-endian numbers and zero-terminated 8-bit texts at
// fixed offsets. Bytes no field names stay zero, so reserved space is written
// as zero. Offsets and sizes passed in are the record's own constants; every
// access stays inside the block whatever they are.
class CRecordBytes {
public:
    explicit CRecordBytes(size_t size) : m_bytes(size, 0) {}

    // The record as stored in a body of any length: its first bytes, the rest
    // zero, so a short body from an older or damaged writer reads as zeros
    // rather than as whatever lies beyond it.
    static CRecordBytes FromBody(const uint8_t* body, size_t bodySize, size_t recordSize);

    // Reads the reader's current chunk, which must carry `code` and hold at
    // least minimumSize bytes, into a record of recordSize bytes (a longer
    // body is read only that far, a shorter one zero-filled), and moves past
    // it. `bodySize` (may be null) receives the stored body size.
    static ProjectReadError ReadChunk(CRIFF& riff, FourCC code, size_t minimumSize,
                                      size_t recordSize, CRecordBytes* record,
                                      uint32_t* bodySize = nullptr);

    void PutU8(size_t offset, uint8_t value);
    void PutU32(size_t offset, uint32_t value);
    void PutI32(size_t offset, int32_t value) { PutU32(offset, static_cast<uint32_t>(value)); }
    void PutF64(size_t offset, double value);
    // Stores at most fieldSize - 1 bytes of the text (cut before a UTF-8
    // sequence that would not fit whole) and zero-fills the rest of the field.
    void PutText(size_t offset, size_t fieldSize, const std::string& text);

    uint8_t U8(size_t offset) const;
    uint32_t U32(size_t offset) const;
    int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
    double F64(size_t offset) const;
    // The text up to its terminator, at most fieldSize - 1 bytes, so a field
    // without a terminator still reads as a text that fits the field.
    std::string Text(size_t offset, size_t fieldSize) const;

    size_t Size() const { return m_bytes.size(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    bool Fits(size_t offset, size_t size) const {
        return offset <= m_bytes.size() && size <= m_bytes.size() - offset;
    }

    std::vector<uint8_t> m_bytes;
};
