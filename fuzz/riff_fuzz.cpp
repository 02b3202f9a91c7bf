// Feeds arbitrary bytes to the RIFF reader and walks every level with every
// read operation. Besides the sanitizers, the walk checks the reader's own
// promises and traps when one is broken.
#include "support/CFileObj.h"
#include "support/CRIFF.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool SameChunk(const RIFFChunkInfo& a, const RIFFChunkInfo& b) {
    return a.chunkID == b.chunkID && a.chunkSize == b.chunkSize && a.chunkType == b.chunkType &&
           a.dataOffset == b.dataOffset;
}

void WalkLevel(CRIFF& riff, int depth, int64_t fileSize) {
    RIFFChunkInfo parent, chunk;
    RIFFChunkInfo first;
    if (riff.GetCurrentChunkInfo(&parent, &first)) {
        // A search finds its code, or fails and leaves the current chunk where it was.
        const FourCC rare = MakeFourCC("\xFF\xFE\xFD\xFC");
        const bool found = riff.SeekToChunk(rare);
        Check(riff.GetCurrentChunkInfo(nullptr, &chunk));
        Check(found ? chunk.chunkID == rare : SameChunk(chunk, first));
        riff.SeekToLevelBeginning();
    }
    std::vector<unsigned char> buffer;
    bool more = riff.GetCurrentChunkInfo(&parent, &chunk);
    while (more) {
        // Nothing lies past the parent or the file, but for a LIST that ends
        // the file counting a final pad byte the file lacks.
        const int64_t limit = std::min(parent.dataOffset + parent.chunkSize, fileSize);
        const int64_t slack = chunk.chunkID == FOURCC_LIST ? 1 : 0;
        Check(chunk.dataOffset + chunk.chunkSize <= limit + slack);
        Check(chunk.dataOffset >= parent.dataOffset + 4 + 8);
        Check(riff.SeekToChunk(chunk.chunkID, chunk.chunkType));
        buffer.resize(std::min<uint32_t>(chunk.chunkSize, 1 << 16));
        const auto wanted = static_cast<uint32_t>(buffer.size());
        const uint32_t got = riff.ReadCurrentSubChunk(buffer.data(), wanted);
        Check(got <= wanted);
        if (chunk.chunkID != FOURCC_LIST)
            Check(got == wanted);
        if (chunk.chunkID == FOURCC_LIST && riff.Descend()) {
            Check(depth + 1 < CRIFF::kMaxDepth);
            WalkLevel(riff, depth + 1, fileSize);
            riff.SeekToLevelBeginning();
            Check(riff.Ascend());
            RIFFChunkInfo again;
            Check(riff.GetCurrentChunkInfo(nullptr, &again) && SameChunk(again, chunk));
        }
        more = riff.SeekToNextChunk() && riff.GetCurrentChunkInfo(&parent, &chunk);
    }
    Check(!riff.GetCurrentChunkInfo(nullptr, nullptr));
    if (riff.SeekToLevelBeginning())
        Check(riff.GetCurrentChunkInfo(nullptr, &chunk) && SameChunk(chunk, first));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto* file = new CFileObj;
    auto* riff = new CRIFF;
    RIFFChunkInfo form;
    if (file->OpenMemory(data, size) && riff->Open(file, &form)) {
        Check(form.chunkID == FOURCC_RIFF && form.chunkSize >= 4);
        WalkLevel(*riff, 0, file->Size());
        Check(!riff->Ascend());
        Check(riff->Close());
    }
    riff->DeleteRefObject();
    file->DeleteRefObject();
    return 0;
}
