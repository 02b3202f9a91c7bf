#include "project/RawChunk.h"

#include "support/CRIFF.h"

FourCC RawChunk::ListType() const {
    if (code != FOURCC_LIST || body.size() < 4)
        return 0;
    return static_cast<FourCC>(body[0]) | static_cast<FourCC>(body[1]) << 8 |
           static_cast<FourCC>(body[2]) << 16 | static_cast<FourCC>(body[3]) << 24;
}

bool RawChunk::ReadCurrent(CRIFF& riff) {
    RIFFChunkInfo chunk;
    if (!riff.GetCurrentChunkInfo(nullptr, &chunk))
        return false;
    // The reader keeps every chunk inside the file, so the size is bounded by
    // what is really there.
    std::vector<uint8_t> read(chunk.chunkSize);
    if (riff.ReadCurrentSubChunk(read.data(), chunk.chunkSize) != chunk.chunkSize)
        return false;
    code = chunk.chunkID;
    body = std::move(read);
    return true;
}

bool RawChunk::Write(CRIFF& riff) const {
    return riff.WriteSubChunk(code, body.data(), static_cast<uint32_t>(body.size()));
}
