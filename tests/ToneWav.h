#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

// Writes a 16-bit mono WAV file at 44.1 kHz holding a 440 Hz tone of the
// given peak (0 for silence), for tests that need a sound file on disk; hz
// gives another tone.
inline void WriteToneWav(const std::string& path, uint32_t frames, int16_t peak,
                         double hz = 440.0) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + frames * 2);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(88200);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(frames * 2);
    for (uint32_t i = 0; i < frames; ++i)
        u16(static_cast<uint16_t>(
            static_cast<int16_t>(peak * std::sin(i * 2 * M_PI * hz / 44100))));
}
