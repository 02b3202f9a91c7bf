#include "burn/WavDataChunk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

} // namespace

bool WavDataChunk::Find(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return false;
    const int64_t fileSize = info.st_size;
    unsigned char header[12];
    if (pread(fd, header, sizeof(header), 0) != static_cast<ssize_t>(sizeof(header)) ||
        std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    int64_t position = 12;
    while (position + 8 <= fileSize) {
        unsigned char chunk[8];
        if (pread(fd, chunk, sizeof(chunk), position) != static_cast<ssize_t>(sizeof(chunk)))
            return false;
        const int64_t chunkSize = LittleEndian32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            offset = position + 8;
            size = std::min(chunkSize, fileSize - offset);
            return true;
        }
        // Chunks are padded to an even size.
        position += 8 + chunkSize + (chunkSize & 1);
    }
    return false;
}
