#pragma once

#include <cstdint>
#include <string>

// Reads a sound file as interleaved float frames at the file's own rate and
// channel count, block by block, so that a long file never has to be held whole.
class CSoundDecoder {
public:
    virtual ~CSoundDecoder() = default;

    // False (with the reason in error) when this decoder cannot read the file.
    virtual bool Open(const std::string& path, std::string& error) = 0;
    virtual int Channels() const = 0;
    virtual int Rate() const = 0;
    // Reads up to `frames` frames into out (room for frames * Channels()
    // samples). Returns the number read, 0 at the end, -1 on a decoding error.
    virtual int64_t Read(float* out, int64_t frames) = 0;
    // For the log.
    virtual const char* Name() const = 0;

    // Limits a file's stated format must keep to; beyond them it is refused.
    static constexpr int kMaxChannels = 64;
    static constexpr int kMinRate = 1000;
    static constexpr int kMaxRate = 768000;
};
