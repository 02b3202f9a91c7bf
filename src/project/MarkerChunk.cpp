#include "project/MarkerChunk.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>

namespace {

constexpr size_t kVersionAt = 0;
constexpr size_t kCountAt = 8;

} // namespace

bool MarkerChunk::HasStartMarker() const {
    return std::any_of(markers.begin(), markers.end(),
                       [](const MarkerRecord& marker) { return marker.IsStartMarker(); });
}

std::vector<uint8_t> MarkerChunk::ToBytes() const {
    CRecordBytes header(kHeaderSize);
    header.PutF64(kVersionAt, kVersion);
    header.PutU32(kCountAt, static_cast<uint32_t>(markers.size()));
    std::vector<uint8_t> bytes = header.Bytes();
    bytes.resize(kHeaderSize + markers.size() * MarkerRecord::kSize);
    for (size_t i = 0; i < markers.size(); ++i)
        markers[i].ToBytes(&bytes[kHeaderSize + i * MarkerRecord::kSize]);
    return bytes;
}

ProjectReadError MarkerChunk::FromBytes(const uint8_t* body, size_t size) {
    if (size < kMinimumBodySize)
        return ProjectReadError::ChunkTooShort;
    const CRecordBytes header = CRecordBytes::FromBody(body, size, kHeaderSize);
    if (header.F64(kVersionAt) != kVersion)
        return ProjectReadError::BadVersion;
    const uint32_t count = header.U32(kCountAt);
    const size_t room = size > kHeaderSize ? (size - kHeaderSize) / MarkerRecord::kSize : 0;
    if (count > room) {
        LogFmt("Marker chunk announces %u markers but holds room for %zu", count, room);
        return ProjectReadError::CountDoesNotFit;
    }
    std::vector<MarkerRecord> read(count);
    for (uint32_t i = 0; i < count; ++i) {
        const ProjectReadError error =
            read[i].FromBytes(body + kHeaderSize + size_t{i} * MarkerRecord::kSize);
        if (error != ProjectReadError::None)
            return error;
    }
    markers = std::move(read);
    return ProjectReadError::None;
}

bool MarkerChunk::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    return riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

ProjectReadError MarkerChunk::Read(CRIFF& riff) {
    RIFFChunkInfo chunk;
    if (!riff.GetCurrentChunkInfo(nullptr, &chunk) || chunk.chunkID != kChunkCode)
        return ProjectReadError::ChunkMissing;
    if (chunk.chunkSize < kMinimumBodySize)
        return ProjectReadError::ChunkTooShort;
    // The reader keeps every chunk inside the file, so the body's size is
    // bounded by what is really there.
    std::vector<uint8_t> body(chunk.chunkSize);
    if (riff.ReadCurrentSubChunk(body.data(), chunk.chunkSize) != chunk.chunkSize)
        return ProjectReadError::ShortRead;
    riff.SeekToNextChunk();
    return FromBytes(body.data(), body.size());
}
