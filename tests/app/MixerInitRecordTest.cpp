#include "app/MixerInitRecord.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(const MixerInitRecord& record) {
    const auto bytes = record.ToBytes();
    return {bytes.begin(), bytes.end()};
}

TEST(MixerInitRecord, DefaultsHaveTheirByteLayout) {
    const std::vector<uint8_t> wave = {
        0, 0, 0,  0, 8,    0,    0, 0, 0x00, 0x40, 0, 0, // device 0, 8 buffers of 16384 bytes
        1, 0, 2,  0, 0x44, 0xac, 0, 0, 0x10, 0xb1, 2, 0, // PCM, stereo, 44100 Hz, 176400 B/s
        4, 0, 16, 0, 0,    0,    0, 0};                  // align 4, 16 bits, extra 0, padding
    EXPECT_EQ(Bytes(MixerInitRecord::WaveDefault()), wave);

    const std::vector<uint8_t> waveRT = {
        0, 0, 0,  0, 2,    0,    0, 0, 0x90, 0x1b, 0, 0, // device 0, 2 buffers of 7056 bytes
        3, 0, 2,  0, 0x44, 0xac, 0, 0, 0x20, 0x62, 5, 0, // float, stereo, 44100 Hz, 352800 B/s
        8, 0, 32, 0, 0,    0,    0, 0};
    EXPECT_EQ(Bytes(MixerInitRecord::WaveRTDefault()), waveRT);
}

TEST(MixerInitRecord, RoundTripsThroughBytes) {
    MixerInitRecord record = MixerInitRecord::WaveDefault();
    record.firstField = -1;
    record.numBuffers = 64;
    record.bufferSize = 1 << 20;
    record.channels = 6;
    record.bitsPerSample = 24;
    record.blockAlign = 18;
    record.sampleRate = 96000;
    record.avgBytesPerSec = 96000 * 18;
    record.extraSize = 22;
    MixerInitRecord read;
    ASSERT_TRUE(MixerInitRecord::FromBytes(Bytes(record), &read));
    EXPECT_EQ(read, record);
}

TEST(MixerInitRecord, RefusesWrongSizesAndUnusableFormats) {
    MixerInitRecord read = MixerInitRecord::WaveRTDefault();
    std::vector<uint8_t> bytes = Bytes(MixerInitRecord::WaveDefault());
    bytes.pop_back();
    EXPECT_FALSE(MixerInitRecord::FromBytes(bytes, &read));
    bytes.push_back(0);
    bytes.push_back(0);
    EXPECT_FALSE(MixerInitRecord::FromBytes(bytes, &read));
    EXPECT_FALSE(MixerInitRecord::FromBytes({}, &read));

    const std::vector<void (*)(MixerInitRecord&)> breakers = {
        [](MixerInitRecord& r) { r.formatTag = 2; },
        [](MixerInitRecord& r) { r.channels = 0; },
        [](MixerInitRecord& r) { r.channels = 33; },
        [](MixerInitRecord& r) { r.sampleRate = 0; },
        [](MixerInitRecord& r) { r.sampleRate = 1000000; },
        [](MixerInitRecord& r) { r.bitsPerSample = 0; },
        [](MixerInitRecord& r) { r.blockAlign = 0; },
        [](MixerInitRecord& r) { r.avgBytesPerSec = 1; },
        [](MixerInitRecord& r) { r.numBuffers = 0; },
        [](MixerInitRecord& r) { r.numBuffers = 65; },
        [](MixerInitRecord& r) { r.bufferSize = 0; },
        [](MixerInitRecord& r) { r.bufferSize = -16384; },
    };
    for (size_t i = 0; i < breakers.size(); ++i) {
        MixerInitRecord record = MixerInitRecord::WaveDefault();
        breakers[i](record);
        EXPECT_FALSE(MixerInitRecord::FromBytes(Bytes(record), &read)) << i;
    }
    EXPECT_EQ(read, MixerInitRecord::WaveRTDefault());
}

} // namespace
