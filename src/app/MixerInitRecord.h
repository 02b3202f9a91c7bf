#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// How the mixer opens one kind of audio driver: three 32-bit fields and a wave format.
// Kept in the preferences as a 32-byte little-endian blob: the three fields at 0, 4 and 8, then
// format tag (u16) at 12, channels (u16) at 14, sample rate (u32) at 16, average bytes per
// second (u32) at 20, block align (u16) at 24, bits per sample (u16) at 26, extra format size
// (u16) at 28, and two zero bytes that pad the record to a multiple of four.
struct MixerInitRecord {
    static constexpr size_t kSize = 32;
    static constexpr uint16_t kFormatPcm = 1;
    static constexpr uint16_t kFormatFloat = 3;

    int32_t firstField = 0; // the output device; start-up fills it in before opening the mixer
    int32_t numBuffers = 0;
    int32_t bufferSize = 0;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;

    // The wave driver's default: 8 buffers of 16384 bytes, 16-bit stereo PCM at 44100 Hz.
    static MixerInitRecord WaveDefault();
    // The WaveRT driver's default: 2 buffers of 7056 bytes, 32-bit stereo float at 44100 Hz.
    static MixerInitRecord WaveRTDefault();

    std::array<uint8_t, kSize> ToBytes() const;
    // Takes a blob of exactly kSize bytes whose format the mixer can open (see IsUsable).
    static bool FromBytes(const std::vector<uint8_t>& bytes, MixerInitRecord* record);
    // PCM or float, 1 to 32 channels of 8, 16, 24 or 32 bits, 8000 to 768000 Hz, block align
    // and byte rate that agree with them, 1 to 64 buffers of 1 to 1048576 bytes.
    bool IsUsable() const;

    bool operator==(const MixerInitRecord&) const = default;
};
