#include "project/CRecordBytes.h"

#include "support/CRIFF.h"

#include <algorithm>
#include <cstring>

CRecordBytes CRecordBytes::FromBody(const uint8_t* body, size_t bodySize, size_t recordSize) {
    CRecordBytes record(recordSize);
    if (body != nullptr)
        std::memcpy(record.m_bytes.data(), body, std::min(bodySize, recordSize));
    return record;
}

ProjectReadError CRecordBytes::ReadChunk(CRIFF& riff, FourCC code, size_t minimumSize,
                                         size_t recordSize, CRecordBytes* record,
                                         uint32_t* bodySize) {
    RIFFChunkInfo chunk;
    if (!riff.GetCurrentChunkInfo(nullptr, &chunk) || chunk.chunkID != code)
        return ProjectReadError::ChunkMissing;
    if (chunk.chunkSize < minimumSize)
        return ProjectReadError::ChunkTooShort;
    CRecordBytes read(recordSize);
    const auto wanted = static_cast<uint32_t>(std::min<size_t>(chunk.chunkSize, recordSize));
    if (riff.ReadCurrentSubChunk(read.m_bytes.data(), wanted) != wanted)
        return ProjectReadError::ShortRead;
    riff.SeekToNextChunk();
    *record = std::move(read);
    if (bodySize != nullptr)
        *bodySize = chunk.chunkSize;
    return ProjectReadError::None;
}

void CRecordBytes::PutU8(size_t offset, uint8_t value) {
    if (Fits(offset, 1))
        m_bytes[offset] = value;
}

void CRecordBytes::PutU32(size_t offset, uint32_t value) {
    if (!Fits(offset, 4))
        return;
    for (int i = 0; i < 4; ++i)
        m_bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void CRecordBytes::PutF64(size_t offset, double value) {
    if (!Fits(offset, 8))
        return;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i)
        m_bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

void CRecordBytes::PutText(size_t offset, size_t fieldSize, const std::string& text) {
    if (fieldSize == 0 || !Fits(offset, fieldSize))
        return;
    size_t length = std::min(text.size(), fieldSize - 1);
    // Step back over UTF-8 continuation bytes so no character is cut in half.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memset(&m_bytes[offset], 0, fieldSize);
    std::memcpy(&m_bytes[offset], text.data(), length);
}

uint8_t CRecordBytes::U8(size_t offset) const {
    return Fits(offset, 1) ? m_bytes[offset] : 0;
}

uint32_t CRecordBytes::U32(size_t offset) const {
    if (!Fits(offset, 4))
        return 0;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(m_bytes[offset + i]) << (8 * i);
    return value;
}

double CRecordBytes::F64(size_t offset) const {
    if (!Fits(offset, 8))
        return 0.0;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<uint64_t>(m_bytes[offset + i]) << (8 * i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string CRecordBytes::Text(size_t offset, size_t fieldSize) const {
    if (fieldSize == 0 || !Fits(offset, fieldSize))
        return {};
    const auto* begin = reinterpret_cast<const char*>(&m_bytes[offset]);
    const char* end = std::find(begin, begin + fieldSize - 1, '\0');
    return std::string(begin, end);
}
