#include "project/SoundRefRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>

std::string SoundRefRecord::PathFromBody(const uint8_t* body, size_t size) {
    return CRecordBytes::FromBody(body, size, kPathSize).Text(0, kPathSize);
}

ProjectReadError SoundRefRecord::Read(CRIFF& riff) {
    if (!riff.SeekToChunk(kChunkCode)) {
        Log("CAudioClip::LegacyLoad failed to find FOURCC_LEGACY_SND_REF_CHUNK - returning false");
        return ProjectReadError::ChunkMissing;
    }
    RIFFChunkInfo chunk;
    riff.GetCurrentChunkInfo(nullptr, &chunk);
    uint8_t body[kPathSize] = {};
    const auto wanted = static_cast<uint32_t>(std::min<size_t>(chunk.chunkSize, kPathSize));
    if (riff.ReadCurrentSubChunk(body, wanted) != wanted) {
        Log("CAudioClip::LegacyLoad failed to find correctly sized FOURCC_LEGACY_SND_REF_CHUNK "
            "(readSize != subChunk.chunkSize) - returning false");
        return ProjectReadError::ShortRead;
    }
    path = PathFromBody(body, wanted);
    riff.SeekToNextChunk();
    return ProjectReadError::None;
}
