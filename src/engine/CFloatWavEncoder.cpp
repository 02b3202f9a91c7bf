#include "engine/CFloatWavEncoder.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "float samples are written in memory order, which must be little-endian");

namespace {

void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutInfoText(std::string& out, const char* id, const std::string& text) {
    if (text.empty())
        return;
    std::string body = text.substr(0, CFloatWavEncoder::kMaxTagBytes);
    body.push_back('\0');
    out += id;
    PutLE(out, static_cast<uint32_t>(body.size()), 4);
    out += body;
    if (body.size() % 2)
        out.push_back('\0');
}

bool WriteBytes(std::FILE* file, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool PatchLE32(std::FILE* file, long at, uint32_t value) {
    std::string bytes;
    PutLE(bytes, value, 4);
    return std::fseek(file, at, SEEK_SET) == 0 && WriteBytes(file, bytes);
}

} // namespace

CFloatWavEncoder::~CFloatWavEncoder() {
    if (m_file)
        std::fclose(m_file);
}

std::string CFloatWavEncoder::InfoChunk(const SoundTags& tags) {
    std::string texts;
    PutInfoText(texts, "INAM", tags.title);
    PutInfoText(texts, "IART", tags.artist);
    PutInfoText(texts, "IPRD", tags.album);
    PutInfoText(texts, "IGNR", tags.genre);
    PutInfoText(texts, "ITRK", tags.TrackNumberText());
    PutInfoText(texts, "ICRD", tags.year);
    PutInfoText(texts, "ICMT", tags.comment);
    PutInfoText(texts, "ICOP", tags.copyright);
    if (texts.empty())
        return {};
    std::string chunk = "LIST";
    PutLE(chunk, static_cast<uint32_t>(4 + texts.size()), 4);
    return chunk + "INFO" + texts;
}

bool CFloatWavEncoder::Open(const std::string& path, const FormatDetails& details,
                            std::string& error) {
    if (details.kind != FormatKind::WavFloat) {
        error = std::string("cannot write ") + details.KindName();
        return false;
    }
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    m_blockAlign = details.channels * 4;
    std::string header = "RIFF";
    PutLE(header, 0, 4); // patched at the end
    header += "WAVEfmt ";
    PutLE(header, 16, 4);
    PutLE(header, 3, 2); // IEEE float
    PutLE(header, details.channels, 2);
    PutLE(header, details.sampleRate, 4);
    PutLE(header, details.sampleRate * m_blockAlign, 4);
    PutLE(header, m_blockAlign, 2);
    PutLE(header, 32, 2);
    header += "fact";
    PutLE(header, 4, 4);
    m_factAt = static_cast<long>(header.size());
    PutLE(header, 0, 4);
    if (details.writeTags)
        header += InfoChunk(details.tags);
    header += "data";
    m_dataSizeAt = static_cast<long>(header.size());
    PutLE(header, 0, 4);
    // Every size must stay within 32 bits.
    m_maxFrames = (int64_t{0xFFFFFFFF} - static_cast<int64_t>(header.size())) / m_blockAlign;
    m_frames = 0;
    if (!WriteBytes(m_file, header)) {
        error = std::string("cannot write the header: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool CFloatWavEncoder::Write(const float* interleaved, int64_t frames, std::string& error) {
    if (!m_file) {
        error = "not open";
        return false;
    }
    if (frames > m_maxFrames - m_frames) {
        error = "the WAV file would pass its 4 GB size limit";
        return false;
    }
    const size_t bytes = static_cast<size_t>(frames) * static_cast<size_t>(m_blockAlign);
    if (std::fwrite(interleaved, 1, bytes, m_file) != bytes) {
        error = std::string("writing failed: ") + std::strerror(errno);
        return false;
    }
    m_frames += frames;
    return true;
}

bool CFloatWavEncoder::PatchSizes() {
    const long end = std::ftell(m_file);
    if (end < 0)
        return false;
    const uint32_t dataBytes = static_cast<uint32_t>(m_frames * m_blockAlign);
    return PatchLE32(m_file, 4, static_cast<uint32_t>(end - 8)) &&
           PatchLE32(m_file, m_factAt, static_cast<uint32_t>(m_frames)) &&
           PatchLE32(m_file, m_dataSizeAt, dataBytes);
}

bool CFloatWavEncoder::Finish(std::string& error) {
    if (!m_file) {
        error = "not open";
        return false;
    }
    const bool patched = PatchSizes();
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (!patched || closed != 0) {
        error = std::string("finishing failed: ") + std::strerror(errno);
        return false;
    }
    return true;
}
