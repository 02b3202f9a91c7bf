#include "engine/CWaveChunks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

uint32_t ReadLE32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

uint32_t CWaveChunks::FourCC(const char code[4]) {
    return ReadLE32(reinterpret_cast<const uint8_t*>(code));
}

bool CWaveChunks::ReadFile(const std::string& path) {
    m_chunks.clear();
    std::FILE* opened = std::fopen(path.c_str(), "rb");
    if (!opened)
        return false;
    std::shared_ptr<std::FILE> file(opened, FileCloser());
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    if (size < 0)
        return false;
    m_read = [file](uint64_t offset, uint8_t* out, size_t count) -> size_t {
        if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0)
            return 0;
        return std::fread(out, 1, count, file.get());
    };
    return Walk(static_cast<uint64_t>(size));
}

bool CWaveChunks::ParseBytes(const uint8_t* bytes, size_t size) {
    m_chunks.clear();
    auto copy = std::make_shared<std::vector<uint8_t>>(bytes, bytes + size);
    m_read = [copy](uint64_t offset, uint8_t* out, size_t count) -> size_t {
        if (offset >= copy->size())
            return 0;
        const size_t n = std::min<uint64_t>(count, copy->size() - offset);
        std::memcpy(out, copy->data() + offset, n);
        return n;
    };
    return Walk(size);
}

bool CWaveChunks::Walk(uint64_t totalSize) {
    uint8_t header[12];
    if (m_read(0, header, 12) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    // The RIFF size is often wrong in the wild; the file's real size bounds the walk.
    uint64_t offset = 12;
    while (offset + 8 <= totalSize && m_chunks.size() < kMaxChunks) {
        uint8_t chunkHeader[8];
        if (m_read(offset, chunkHeader, 8) != 8)
            break;
        Chunk chunk;
        chunk.fourcc = ReadLE32(chunkHeader);
        chunk.declaredSize = ReadLE32(chunkHeader + 4);
        chunk.bodyOffset = offset + 8;
        chunk.presentSize = std::min<uint64_t>(chunk.declaredSize, totalSize - chunk.bodyOffset);
        m_chunks.push_back(chunk);
        offset = chunk.bodyOffset + chunk.declaredSize + (chunk.declaredSize & 1u);
    }
    return true;
}

const CWaveChunks::Chunk* CWaveChunks::Find(const char fourcc[4]) const {
    const uint32_t code = FourCC(fourcc);
    for (const Chunk& chunk : m_chunks)
        if (chunk.fourcc == code)
            return &chunk;
    return nullptr;
}

std::vector<uint8_t> CWaveChunks::Body(const Chunk& chunk, size_t maxBytes) const {
    std::vector<uint8_t> body(static_cast<size_t>(std::min<uint64_t>(chunk.presentSize, maxBytes)));
    if (!m_read || body.empty())
        return body;
    body.resize(m_read(chunk.bodyOffset, body.data(), body.size()));
    return body;
}

bool CWaveChunks::DataTruncated() const {
    const Chunk* data = Find("data");
    return data && data->presentSize < data->declaredSize;
}
