#include "engine/CByteWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>

void CByteWriter::WriteU16(uint16_t value) {
    m_bytes.push_back(static_cast<uint8_t>(value));
    m_bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void CByteWriter::WriteU32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void CByteWriter::WriteF32(float value) {
    WriteU32(std::bit_cast<uint32_t>(value));
}

void CByteWriter::WriteBytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
}

void CByteWriter::WriteText(const std::string& text) {
    const size_t size = std::min<size_t>(text.size(), 0xFFFF);
    WriteU16(static_cast<uint16_t>(size));
    WriteBytes(text.data(), size);
}
