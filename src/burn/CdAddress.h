#pragma once

#include <cstdint>
#include <string>

// The units of CD audio: a sector ("frame" in cue sheets) is 1/75 s, 588
// stereo frames of 16-bit samples at 44.1 kHz, 2352 bytes.
namespace CdAddress {

constexpr int kSectorsPerSecond = 75;
constexpr int kFramesPerSector = 588;
constexpr int kBytesPerFrame = 4;
constexpr int kBytesPerSector = kFramesPerSector * kBytesPerFrame;
// Bytes of CD audio per second: 44100 Hz, 16 bits, 2 channels.
constexpr int kBytesPerSecond = 176400;

// The sector nearest to a time in ms.
int64_t SectorOfMs(double ms);
// Where a sector begins, in ms.
double MsOfSector(int64_t sector);
// "mm:ss:ff" of a sector count, as cue sheets write times.
std::string Msf(int64_t sector);

} // namespace CdAddress
