#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

// Writes Standard MIDI file bytes by hand for the import tests: every field
// is spelled out here rather than taken from the program's own writer.
class SmfTrack {
public:
    // A channel message or running-status data after a delta time.
    SmfTrack& Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        VarLen(delta);
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    SmfTrack& Meta(uint32_t delta, uint8_t type, const std::vector<uint8_t>& data) {
        VarLen(delta);
        m_bytes.push_back(0xFF);
        m_bytes.push_back(type);
        VarLen(static_cast<uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    SmfTrack& Text(uint32_t delta, uint8_t type, const std::string& text) {
        return Meta(delta, type, std::vector<uint8_t>(text.begin(), text.end()));
    }
    SmfTrack& Tempo(uint32_t delta, uint32_t microseconds) {
        return Meta(
            delta, 0x51,
            {uint8_t(microseconds >> 16), uint8_t(microseconds >> 8), uint8_t(microseconds)});
    }
    SmfTrack& End(uint32_t delta) { return Meta(delta, 0x2F, {}); }
    SmfTrack& Raw(std::initializer_list<uint8_t> bytes) {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    void VarLen(uint32_t value) {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = value & 0x7F;
            value >>= 7;
        } while (value);
        while (count-- > 0)
            m_bytes.push_back(uint8_t(groups[count] | (count ? 0x80 : 0)));
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

inline void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

inline std::vector<uint8_t> SmfFile(int format, uint16_t division,
                                    const std::vector<SmfTrack>& tracks) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    PutBigEndian(out, uint32_t(format), 2);
    PutBigEndian(out, uint32_t(tracks.size()), 2);
    PutBigEndian(out, division, 2);
    for (const SmfTrack& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutBigEndian(out, uint32_t(track.Bytes().size()), 4);
        out.insert(out.end(), track.Bytes().begin(), track.Bytes().end());
    }
    return out;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
