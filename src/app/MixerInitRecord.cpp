#include "app/MixerInitRecord.h"

namespace {

void PutU16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetU16(const uint8_t* in) {
    return static_cast<uint16_t>(in[0] | in[1] << 8);
}

uint32_t GetU32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

MixerInitRecord Stereo44100(int32_t numBuffers, int32_t bufferSize, uint16_t tag, uint16_t bits) {
    MixerInitRecord record;
    record.numBuffers = numBuffers;
    record.bufferSize = bufferSize;
    record.formatTag = tag;
    record.channels = 2;
    record.sampleRate = 44100;
    record.blockAlign = static_cast<uint16_t>(2 * bits / 8);
    record.avgBytesPerSec = 44100u * record.blockAlign;
    record.bitsPerSample = bits;
    return record;
}

} // namespace

MixerInitRecord MixerInitRecord::WaveDefault() {
    return Stereo44100(8, 16384, kFormatPcm, 16);
}

MixerInitRecord MixerInitRecord::WaveRTDefault() {
    return Stereo44100(2, 7056, kFormatFloat, 32);
}

std::array<uint8_t, MixerInitRecord::kSize> MixerInitRecord::ToBytes() const {
    std::array<uint8_t, kSize> bytes{};
    PutU32(&bytes[0], static_cast<uint32_t>(firstField));
    PutU32(&bytes[4], static_cast<uint32_t>(numBuffers));
    PutU32(&bytes[8], static_cast<uint32_t>(bufferSize));
    PutU16(&bytes[12], formatTag);
    PutU16(&bytes[14], channels);
    PutU32(&bytes[16], sampleRate);
    PutU32(&bytes[20], avgBytesPerSec);
    PutU16(&bytes[24], blockAlign);
    PutU16(&bytes[26], bitsPerSample);
    PutU16(&bytes[28], extraSize);
    return bytes;
}

bool MixerInitRecord::FromBytes(const std::vector<uint8_t>& bytes, MixerInitRecord* record) {
    if (bytes.size() != kSize)
        return false;
    MixerInitRecord read;
    read.firstField = static_cast<int32_t>(GetU32(&bytes[0]));
    read.numBuffers = static_cast<int32_t>(GetU32(&bytes[4]));
    read.bufferSize = static_cast<int32_t>(GetU32(&bytes[8]));
    read.formatTag = GetU16(&bytes[12]);
    read.channels = GetU16(&bytes[14]);
    read.sampleRate = GetU32(&bytes[16]);
    read.avgBytesPerSec = GetU32(&bytes[20]);
    read.blockAlign = GetU16(&bytes[24]);
    read.bitsPerSample = GetU16(&bytes[26]);
    read.extraSize = GetU16(&bytes[28]);
    if (!read.IsUsable())
        return false;
    *record = read;
    return true;
}

bool MixerInitRecord::IsUsable() const {
    const bool knownBits =
        bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
    if ((formatTag != kFormatPcm && formatTag != kFormatFloat) || !knownBits || channels < 1 ||
        channels > 32 || sampleRate < 8000 || sampleRate > 768000)
        return false;
    const uint32_t frameBytes = channels * bitsPerSample / 8u;
    return blockAlign == frameBytes && avgBytesPerSec == sampleRate * frameBytes &&
           numBuffers >= 1 && numBuffers <= 64 && bufferSize >= 1 && bufferSize <= (1 << 20);
}
