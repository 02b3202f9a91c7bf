#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the frames of a 16-bit PCM WAV file straight from its data chunk, in
// the large sequential pieces the sound reader asks for: one pread per piece
// into a reused buffer, converted to float here. libsndfile would give the
// same samples (each divided by 32768) through a small internal buffer and a
// call per few kilobytes; a mix-down of many long WAV files spends most of
// its reading there.
//
// Not thread-safe: one reader at a time (the owner holds its lock).
class CPcm16WavFile {
public:
    CPcm16WavFile() = default;
    ~CPcm16WavFile();
    CPcm16WavFile(const CPcm16WavFile&) = delete;
    CPcm16WavFile& operator=(const CPcm16WavFile&) = delete;

    // Opens path when it is a little-endian WAV file of 16-bit PCM with that
    // many channels whose data chunk holds at least `frames` frames (what
    // libsndfile counted). False otherwise; the caller then reads it another way.
    bool Open(const std::string& path, int channels, int64_t frames);

    // Reads count frames from `frame` on into out, interleaved; gives how many
    // the file still held (a file cut short on disk gives fewer). out is left
    // alone past those.
    int64_t Read(int64_t frame, int64_t count, float* out);

private:
    int m_fd = -1;
    int m_channels = 0;
    int64_t m_frames = 0;
    uint64_t m_dataOffset = 0;
    std::vector<int16_t> m_buffer;
};
