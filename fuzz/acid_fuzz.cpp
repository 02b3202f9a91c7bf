// Lists the chunks of arbitrary bytes as a WAV file and reads its "acid" chunk.
#include "engine/CAcidChunk.h"
#include "engine/CWaveChunks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CWaveChunks chunks;
    if (!chunks.ParseBytes(data, size))
        return 0;
    chunks.DataTruncated();
    for (const CWaveChunks::Chunk& chunk : chunks.Chunks())
        chunks.Body(chunk, 64);
    if (const auto acid = CAcidChunk::FromWave(chunks)) {
        volatile double sink =
            acid->Tempo() + acid->BeatLengthMs() + acid->RootNote() + acid->Beats();
        (void)sink;
    }
    return 0;
}
