#include "engine/CByteReader.h"

#include <bit>

bool CByteReader::Take(size_t size, const uint8_t*& out) {
    if (m_failed || size > m_size - m_pos) {
        m_failed = true;
        return false;
    }
    out = m_data + m_pos;
    m_pos += size;
    return true;
}

bool CByteReader::ReadU8(uint8_t& value) {
    const uint8_t* bytes = nullptr;
    if (!Take(1, bytes))
        return false;
    value = bytes[0];
    return true;
}

bool CByteReader::ReadU16(uint16_t& value) {
    const uint8_t* bytes = nullptr;
    if (!Take(2, bytes))
        return false;
    value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

bool CByteReader::ReadU32(uint32_t& value) {
    const uint8_t* bytes = nullptr;
    if (!Take(4, bytes))
        return false;
    value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
            static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

bool CByteReader::ReadF32(float& value) {
    uint32_t bits = 0;
    if (!ReadU32(bits))
        return false;
    value = std::bit_cast<float>(bits);
    return true;
}

bool CByteReader::ReadSpan(size_t size, const uint8_t*& out) {
    return Take(size, out);
}

bool CByteReader::ReadText(std::string& text, size_t maxSize) {
    uint16_t size = 0;
    if (!ReadU16(size))
        return false;
    if (size > maxSize) {
        m_failed = true;
        return false;
    }
    const uint8_t* bytes = nullptr;
    if (!Take(size, bytes))
        return false;
    text.assign(reinterpret_cast<const char*>(bytes), size);
    return true;
}
