#pragma once

#include "engine/CAudioEncoder.h"

#include <cstdio>
#include <string>

// Writes 32-bit IEEE float WAV files (frozen tracks, float renders) itself, because the exact
// layout matters and libsndfile leaves a "PAD " chunk where it first reserved room for a PEAK
// chunk. The layout, all numbers little-endian:
//   "RIFF" size "WAVE"
//   "fmt "  16  format tag 3, channels, rate, bytes per second = rate x block align,
//               block align = channels x 4, 32 bits per sample
//   "fact"   4  frames per channel
//   "LIST" size "INFO" ...   only when there are tags: INAM title, IART artist, IPRD album,
//               IGNR genre, ITRK track number, ICRD year, ICMT comment, ICOP copyright, each a
//               NUL-terminated text padded to an even size
//   "data" size, the samples as given (values beyond full scale are kept)
// The sizes are patched when the file is finished.
class CFloatWavEncoder : public CAudioEncoder {
public:
    CFloatWavEncoder() = default;
    ~CFloatWavEncoder() override;
    CFloatWavEncoder(const CFloatWavEncoder&) = delete;
    CFloatWavEncoder& operator=(const CFloatWavEncoder&) = delete;

    bool Open(const std::string& path, const FormatDetails& details, std::string& error) override;
    bool Write(const float* interleaved, int64_t frames, std::string& error) override;
    bool Finish(std::string& error) override;
    const char* Name() const override { return "float WAV"; }

    // The LIST INFO chunk for the tags, "" when there are none. Each text is cut to
    // kMaxTagBytes bytes.
    static std::string InfoChunk(const SoundTags& tags);
    static constexpr size_t kMaxTagBytes = 4096;

private:
    bool PatchSizes();

    std::FILE* m_file = nullptr;
    int m_blockAlign = 0;
    long m_factAt = 0;     // offset of the fact chunk's frame count
    long m_dataSizeAt = 0; // offset of the data chunk's size
    int64_t m_frames = 0;
    int64_t m_maxFrames = 0;
};
