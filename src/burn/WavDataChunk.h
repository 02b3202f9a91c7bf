#pragma once

#include <cstdint>

// Where the samples of a RIFF WAVE file lie, for handing them to the writer
// as raw CD audio.
struct WavDataChunk {
    int64_t offset = 0;
    int64_t size = 0;

    // Walks the chunks of the open file from its start. False when it is not
    // a WAVE file or has no "data" chunk within the file; the size is cut to
    // what the file holds.
    bool Find(int fd);
};
