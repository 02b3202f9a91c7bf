#include "engine/CEnvelope.h"
#include "project/AudioClipRecord.h"
#include "project/ClipEnvelopeRecord.h"
#include "project/MidiClipRecord.h"
#include "project/SoundRefRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

double F64At(const Bytes& b, size_t at) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | b.at(at + i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
int32_t I32At(const Bytes& b, size_t at) {
    return static_cast<int32_t>(b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
                                uint32_t{b.at(at + 3)} << 24);
}
void PutF64(Bytes& b, size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
        b.at(at + i) = static_cast<uint8_t>(bits >> (8 * i));
}
void PutI32(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

AudioClipRecord SampleAudioClip() {
    AudioClipRecord r;
    r.absolutePath = "/home/me/sounds/Drum.wav";
    r.relativePath = "sounds/Drum.wav";
    r.soundId = 77;
    r.position = 1500.5;
    r.length = 2000.0;
    r.offset = 250.0;
    r.loopStart = 100.0;
    r.loopEnd = 3000.0;
    r.trackIndex = 2;
    r.rate = 1.5;
    r.pitchShift = -2.0;
    r.name = "Drum";
    r.beatOffsetMs = 12;
    r.obeyKeyMap = true;
    r.key = 4;
    r.tempo = 128.0;
    r.obeyTempoMap = true;
    r.ratePitchCorrect = true;
    r.locked = true;
    r.muted = true;
    r.forceTempo = true;
    r.forcedTempo = 90.0;
    r.forceKey = true;
    r.forcedKey = 7;
    return r;
}

} // namespace

TEST(AudioClipRecord, WritesVersion12AtItsOffsets) {
    const Bytes b = SampleAudioClip().ToBytes();
    ASSERT_EQ(b.size(), 968u);
    EXPECT_EQ(F64At(b, 0), 1.2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[8])), "/home/me/sounds/Drum.wav");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[268])), "sounds/Drum.wav");
    EXPECT_EQ(I32At(b, 528), 77);
    EXPECT_EQ(F64At(b, 536), 1500.5);
    EXPECT_EQ(F64At(b, 544), 2000.0);
    EXPECT_EQ(F64At(b, 552), 250.0);
    EXPECT_EQ(F64At(b, 560), 100.0);
    EXPECT_EQ(F64At(b, 568), 3000.0);
    EXPECT_EQ(I32At(b, 576), 2);
    EXPECT_EQ(F64At(b, 584), 1.5);
    EXPECT_EQ(F64At(b, 592), -2.0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[600])), "Drum");
    EXPECT_EQ(I32At(b, 856), 12);
    EXPECT_EQ(b[860], 1);
    EXPECT_EQ(I32At(b, 864), 4);
    EXPECT_EQ(F64At(b, 872), 128.0);
    EXPECT_EQ(b[880], 1);
    EXPECT_EQ(b[881], 1);
    EXPECT_EQ(b[883], 1);
    EXPECT_EQ(b[884], 1);
    EXPECT_EQ(b[885], 1);
    EXPECT_EQ(b[886], 1);
    EXPECT_EQ(F64At(b, 888), 90.0);
    EXPECT_EQ(I32At(b, 896), 7);
    for (size_t i = 900; i < 968; ++i)
        ASSERT_EQ(b[i], 0) << i;

    AudioClipRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.ToBytes(), b);
}

TEST(AudioClipRecord, ReadsVersion10IntegerTiming) {
    Bytes b(AudioClipRecord::kMinimumSize10, 0);
    PutF64(b, 0, 1.0);
    PutI32(b, 532, 1000);
    PutI32(b, 536, 500);
    PutI32(b, 540, 20);
    PutF64(b, 544, 10.0);
    PutF64(b, 552, 400.0);
    PutF64(b, 568, 2.0);
    std::memcpy(&b[584], "Old", 3);
    PutI32(b, 880, 9);
    b[870] = 1;
    AudioClipRecord r;
    ASSERT_EQ(r.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_TRUE(r.IsVersion10());
    EXPECT_EQ(r.position, 1000.0);
    EXPECT_EQ(r.length, 500.0);
    EXPECT_EQ(r.offset, 20.0);
    EXPECT_EQ(r.loopStart, 10.0);
    EXPECT_EQ(r.loopEnd, 400.0);
    EXPECT_EQ(r.rate, 2.0);
    EXPECT_EQ(r.name, "Old");
    EXPECT_TRUE(r.forceKey);
    EXPECT_EQ(r.forcedKey, 9);
}

TEST(AudioClipRecord, ReadsVersion11) {
    Bytes b(AudioClipRecord::kMinimumSize11, 0);
    PutF64(b, 0, 1.1);
    PutI32(b, 532, 300);
    PutF64(b, 536, 800.0);
    PutF64(b, 544, 5.0);
    PutF64(b, 576, 0.5);
    PutI32(b, 888, 3);
    AudioClipRecord r;
    ASSERT_EQ(r.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(r.position, 300.0);
    EXPECT_EQ(r.length, 800.0);
    EXPECT_EQ(r.offset, 5.0);
    EXPECT_EQ(r.rate, 0.5);
    EXPECT_EQ(r.forcedKey, 3);
}

TEST(AudioClipRecord, RefusesBodiesShorterThanTheirVersionsLayout) {
    for (const auto& [version, minimum] : {std::pair{1.0, AudioClipRecord::kMinimumSize10},
                                           std::pair{1.1, AudioClipRecord::kMinimumSize11},
                                           std::pair{1.2, AudioClipRecord::kMinimumSize12}}) {
        Bytes b(minimum, 0);
        PutF64(b, 0, version);
        AudioClipRecord r;
        EXPECT_EQ(r.FromBytes(b.data(), minimum - 1), ProjectReadError::ChunkTooShort) << version;
        EXPECT_EQ(r.FromBytes(b.data(), minimum), ProjectReadError::None) << version;
    }
    Bytes b(968, 0);
    PutF64(b, 0, 1.3);
    AudioClipRecord r;
    EXPECT_EQ(r.FromBytes(b.data(), b.size()), ProjectReadError::BadVersion);
    EXPECT_EQ(r.FromBytes(b.data(), 7), ProjectReadError::ChunkTooShort);
}

TEST(AudioClipRecord, LoadedValuesAreMadeSafe) {
    AudioClipRecord r = SampleAudioClip();
    r.position = -5.0;
    r.offset = std::numeric_limits<double>::quiet_NaN();
    r.length = 10.0;
    r.rate = 17.0;
    r.loopStart = 500.0;
    r.loopEnd = 500.0;
    r.tempo = std::numeric_limits<double>::infinity();
    Bytes b = r.ToBytes();
    AudioClipRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.position, 0.0);
    EXPECT_EQ(read.offset, 0.0);
    EXPECT_EQ(read.length, 40.0);
    EXPECT_EQ(read.rate, 1.0);
    EXPECT_EQ(read.tempo, 0.0);
    read.FitLoopTo(2000.0);
    EXPECT_EQ(read.loopStart, 0.0);
    EXPECT_EQ(read.loopEnd, 2000.0);

    for (double rate : {1.0 / 16.0, 16.0}) {
        r.rate = rate;
        b = r.ToBytes();
        ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
        EXPECT_EQ(read.rate, rate);
    }
}

TEST(AudioClipRecord, LoopIsFittedToTheSound) {
    // start, end -> fitted start, end, for a sound of 5000 ms
    const double cases[][4] = {{100, 9000, 100, 5000}, {6000, 7000, 0, 5000}};
    for (const auto& c : cases) {
        AudioClipRecord r;
        r.loopStart = c[0];
        r.loopEnd = c[1];
        r.FitLoopTo(5000.0);
        EXPECT_EQ(r.loopStart, c[2]) << c[0] << ".." << c[1];
        EXPECT_EQ(r.loopEnd, c[3]) << c[0] << ".." << c[1];
    }
}

TEST(MidiClipRecord, LayoutAndExactSize) {
    MidiClipRecord r;
    r.soundId = 5;
    r.name = "Bass line";
    r.beatOffsetMs = 30;
    r.trackIndex = 3;
    r.selected = true;
    const Bytes b = r.ToBytes();
    ASSERT_EQ(b.size(), 344u);
    EXPECT_EQ(F64At(b, 0), 1.0);
    EXPECT_EQ(I32At(b, 8), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[12])), "Bass line");
    EXPECT_EQ(I32At(b, 268), 30);
    EXPECT_EQ(I32At(b, 272), 3);
    EXPECT_EQ(b[276], 1);

    MidiClipRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.ToBytes(), b);
    Bytes longer = b;
    longer.push_back(0);
    EXPECT_NE(read.FromBytes(b.data(), 343), ProjectReadError::None);
    EXPECT_NE(read.FromBytes(longer.data(), 345), ProjectReadError::None);
}

TEST(ClipEnvelopeRecord, LayoutRoundTripAndBadCounts) {
    ClipEnvelopeRecord r;
    r.points = {{0, 0, 1.0}, {0, 500, 0.5}, {1, 20, -0.25}};
    const Bytes b = r.ToBytes();
    ASSERT_EQ(b.size(), 80u + 3 * 16);
    EXPECT_EQ(F64At(b, 0), 1.0);
    EXPECT_EQ(I32At(b, 8), 3);
    EXPECT_EQ(I32At(b, 80 + 16), 0);
    EXPECT_EQ(I32At(b, 84 + 16), 500);
    EXPECT_EQ(F64At(b, 88 + 32), -0.25);

    ClipEnvelopeRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.points, r.points);
    EXPECT_EQ(read.FromBytes(b.data(), b.size() - 1), ProjectReadError::CountDoesNotFit);
    Bytes negative = b;
    PutI32(negative, 8, -1);
    EXPECT_EQ(read.FromBytes(negative.data(), negative.size()), ProjectReadError::CountDoesNotFit);
    Bytes headOnly(8, 0);
    PutF64(headOnly, 0, 1.0);
    ASSERT_EQ(read.FromBytes(headOnly.data(), headOnly.size()), ProjectReadError::None);
    EXPECT_TRUE(read.points.empty());
}

TEST(ClipEnvelopeRecord, AppliesPointsAndKeepsEnvelopesWithoutRecords) {
    CEnvelope volume(0.0, 2.0, 1.0), pan(-1.0, 1.0, 0.0);
    pan.Insert(10, 0.3);
    volume.Insert(99, 1.5);
    ClipEnvelopeRecord::Envelopes envelopes{&volume, &pan, nullptr, nullptr, nullptr, nullptr};
    ClipEnvelopeRecord r;
    r.points = {{0, 0, 0.5},
                {0, 100, std::numeric_limits<double>::quiet_NaN()},
                {9, 5, 1.0},
                {0, 200, 1.0}};
    r.ApplyTo(envelopes);
    ASSERT_EQ(volume.GetNumPoints(), 2);
    EXPECT_EQ(pan.GetNumPoints(), 1);
    EXPECT_EQ(ClipEnvelopeRecord::FromEnvelopes(envelopes).points.size(), 3u);
}

TEST(SoundRefRecord, PathIsReadBounded) {
    Bytes body(600, 'a');
    EXPECT_EQ(SoundRefRecord::PathFromBody(body.data(), body.size()).size(), 259u);
    const char shortPath[] = "C:\\x.wav";
    EXPECT_EQ(SoundRefRecord::PathFromBody(reinterpret_cast<const uint8_t*>(shortPath), 4),
              "C:\\x");
}
