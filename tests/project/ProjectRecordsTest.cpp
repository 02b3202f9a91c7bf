#include "project/AudioTrackRecord.h"
#include "project/MarkerChunk.h"
#include "project/MidiTrackRecord.h"
#include "project/ProjectRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32At(const Bytes& b, size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | uint32_t{b.at(at + 3)} << 24;
}
double F64At(const Bytes& b, size_t at) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | b.at(at + i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
void PutF64(Bytes& b, size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
        b.at(at + i) = static_cast<uint8_t>(bits >> (8 * i));
}
std::string TextAt(const Bytes& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(&b.at(at)));
}

ProjectRecord SampleProject() {
    ProjectRecord p;
    p.recordingFolder = "/home/me/rec/";
    p.autoBeatMatch = true;
    p.metronome = true;
    p.author = "Author";
    p.album = "Album";
    p.copyright = "(c)";
    p.title = "Title";
    p.comments = "Comments";
    p.genre = "Genre";
    p.audioTrackCount = 3;
    p.timeLineMode = 1;
    p.masterVolume = 0.75;
    p.midiTrackCount = 2;
    p.year = 2009;
    return p;
}

TEST(ProjectRecordTest, FieldsLieAtTheirOffsets) {
    const Bytes b = SampleProject().ToBytes();
    ASSERT_EQ(b.size(), 2656u);
    EXPECT_EQ(F64At(b, 0), 1.3);
    EXPECT_EQ(TextAt(b, 8), "/home/me/rec/");
    EXPECT_EQ(b[268], 1);
    EXPECT_EQ(b[269], 1);
    EXPECT_EQ(TextAt(b, 270), "Author");
    EXPECT_EQ(TextAt(b, 526), "Album");
    EXPECT_EQ(TextAt(b, 782), "(c)");
    EXPECT_EQ(TextAt(b, 1038), "Title");
    EXPECT_EQ(TextAt(b, 1294), "Comments");
    EXPECT_EQ(TextAt(b, 2318), "Genre");
    EXPECT_EQ(U32At(b, 2576), 3u);
    EXPECT_EQ(U32At(b, 2580), 1u);
    EXPECT_EQ(F64At(b, 2584), 0.75);
    EXPECT_EQ(U32At(b, 2592), 2u);
    EXPECT_EQ(U32At(b, 2596), 2009u);
    for (size_t i = 2600; i < 2656; ++i)
        ASSERT_EQ(b[i], 0) << i;
}

TEST(ProjectRecordTest, VersionDecidesVolumeAndYear) {
    Bytes b = SampleProject().ToBytes();
    ProjectRecord read;
    PutF64(b, 0, 1.0);
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.masterVolume, 1.0);
    EXPECT_EQ(read.year, 0u);
    PutF64(b, 0, 1.2);
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.masterVolume, 0.75);
    EXPECT_EQ(read.year, 0u);
    for (double refused : {0.9, 1.4, std::nan("")}) {
        PutF64(b, 0, refused);
        EXPECT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::BadVersion) << refused;
    }
}

TEST(ProjectRecordTest, ShortBodyReadsMissingFieldsAsZeroAndLongTextsStayInTheirField) {
    Bytes b = SampleProject().ToBytes();
    std::memset(&b[1038], 'x', 256); // a title without terminator
    ProjectRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), 1294), ProjectReadError::None);
    EXPECT_EQ(read.title, std::string(255, 'x'));
    EXPECT_EQ(read.comments, "");
    EXPECT_EQ(read.genre, "");
    EXPECT_EQ(read.audioTrackCount, 0u);
    EXPECT_EQ(read.FromBytes(b.data(), 7), ProjectReadError::ChunkTooShort);

    ProjectRecord longText;
    longText.author = std::string(300, 'a');
    EXPECT_EQ(TextAt(longText.ToBytes(), 270), std::string(255, 'a'));
    longText.author = std::string(254, 'a') + "\xC3\xA9"; // a two-byte character would not fit
    EXPECT_EQ(TextAt(longText.ToBytes(), 270), std::string(254, 'a'));
}

MarkerRecord SampleMarker(int32_t time) {
    MarkerRecord m;
    m.time = time;
    m.name = "Verse";
    m.colour = 0x00112233;
    m.cdTrack = true;
    m.isrc = "USABC0912345";
    m.tempoEvent = {static_cast<double>(time), 96.5, 14, 6, 8, true, true, true, 3};
    return m;
}

TEST(MarkerChunkTest, HeaderAndRecordFieldsLieAtTheirOffsets) {
    MarkerChunk chunk;
    chunk.markers = {SampleMarker(0), SampleMarker(4000)};
    const Bytes b = chunk.ToBytes();
    ASSERT_EQ(b.size(), 80u + 2 * 328u);
    EXPECT_EQ(F64At(b, 0), 1.0);
    EXPECT_EQ(U32At(b, 8), 2u);
    const size_t r = 80 + 328; // the second record
    EXPECT_EQ(U32At(b, r + 0), 4000u);
    EXPECT_EQ(TextAt(b, r + 4), "Verse");
    EXPECT_EQ(U32At(b, r + 260), 0x00112233u);
    EXPECT_EQ(b[r + 264], 1);
    EXPECT_EQ(TextAt(b, r + 265), "USABC0912345");
    EXPECT_EQ(U32At(b, r + 292), 4000u);
    EXPECT_EQ(F64At(b, r + 296), 96.5);
    EXPECT_EQ(U32At(b, r + 304), 14u);
    EXPECT_EQ(U32At(b, r + 308), 6u);
    EXPECT_EQ(U32At(b, r + 312), 8u);
    EXPECT_EQ(b[r + 316], 1);
    EXPECT_EQ(b[r + 317], 1);
    EXPECT_EQ(b[r + 318], 1);
    EXPECT_EQ(b[r + 319], 0);
    EXPECT_EQ(F64At(b, r + 320), 3.0);

    MarkerChunk read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.ToBytes(), b);
}

TEST(MarkerChunkTest, CountMustFitTheBody) {
    MarkerChunk chunk;
    chunk.markers = {SampleMarker(0)};
    Bytes b = chunk.ToBytes();
    MarkerChunk read;
    EXPECT_EQ(read.FromBytes(b.data(), b.size() - 1), ProjectReadError::CountDoesNotFit);
    PutU32(b, 8, 0xFFFFFFFF);
    EXPECT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::CountDoesNotFit);
    PutU32(b, 8, 0);
    EXPECT_EQ(read.FromBytes(b.data(), 12), ProjectReadError::None);
    EXPECT_TRUE(read.markers.empty());
    EXPECT_FALSE(read.HasStartMarker());
    PutF64(b, 0, 1.1);
    EXPECT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::BadVersion);
}

// Writes one marker, changes the record's bytes and reads it back.
ProjectReadError ReadChanged(void (*change)(Bytes&), MarkerRecord* read = nullptr) {
    MarkerChunk chunk;
    chunk.markers = {SampleMarker(1000)};
    Bytes b = chunk.ToBytes();
    change(b);
    MarkerChunk result;
    const ProjectReadError error = result.FromBytes(b.data(), b.size());
    if (read != nullptr && error == ProjectReadError::None)
        *read = result.markers.at(0);
    return error;
}

TEST(MarkerChunkTest, ValuesThatWouldHarmTheTempoMapAreRefused) {
    constexpr size_t r = 80;
    const auto refused = ProjectReadError::BadValue;
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutU32(b, r + 0, 0xFFFFFFFF); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutU32(b, r + 292, 0x80000000); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 296, std::nan("")); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 296, 0.5); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 296, 1000.0); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutU32(b, r + 304, 24); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutU32(b, r + 308, 0); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutU32(b, r + 312, 6); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutU32(b, r + 312, 128); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 320, -1.0); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 320, 1e300); }), refused);
    EXPECT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 320, 1.5); }), refused);

    MarkerRecord read;
    ASSERT_EQ(ReadChanged([](Bytes& b) { PutF64(b, r + 320, 0.0); }, &read),
              ProjectReadError::None);
    EXPECT_EQ(read.tempoEvent.setting, 1);
    ASSERT_EQ(
        ReadChanged([](Bytes& b) { PutF64(b, r + 296, 999.0), PutU32(b, r + 312, 64); }, &read),
        ProjectReadError::None);
    EXPECT_EQ(read.tempoEvent.tempo, 999.0);
    EXPECT_EQ(read.tempoEvent.denominator, 64);
    // A value of a change the event does not make is carried as the default.
    ASSERT_EQ(ReadChanged([](Bytes& b) { b[r + 316] = 0, PutF64(b, r + 296, -5.0); }, &read),
              ProjectReadError::None);
    EXPECT_FALSE(read.tempoEvent.tempoChange);
    EXPECT_EQ(read.tempoEvent.tempo, 120.0);
}

TEST(AudioTrackRecordTest, FieldsLieAtTheirOffsets) {
    AudioTrackRecord a;
    a.name = "Guitar";
    a.imageName = "guitar.png";
    a.volume = 0.5;
    a.pan = -0.25;
    a.mute = a.solo = a.armed = a.monitoring = a.frozen = a.selected = a.armedBefore = true;
    a.armedDevice = 2;
    a.armedChannel = 1;
    a.armedDriverType = 3;
    a.colour = 0x00445566;
    a.frozenFilePath = "/rec/frozen-track01 7-3-2009-ID12.WAV";
    a.height = 70;
    a.lastDriverType = 4;
    a.lastDevice = 5;
    a.lastChannel = 2;
    const Bytes b = a.ToBytes();
    ASSERT_EQ(b.size(), 920u);
    EXPECT_EQ(F64At(b, 0), 1.0);
    EXPECT_EQ(TextAt(b, 8), "Guitar");
    EXPECT_EQ(TextAt(b, 264), "guitar.png");
    EXPECT_EQ(F64At(b, 528), 0.5);
    EXPECT_EQ(F64At(b, 536), -0.25);
    EXPECT_EQ(b[544] + b[545] + b[546], 3);
    EXPECT_EQ(U32At(b, 548), 2u);
    EXPECT_EQ(U32At(b, 552), 1u);
    EXPECT_EQ(U32At(b, 556), 3u);
    EXPECT_EQ(b[560], 1);
    EXPECT_EQ(U32At(b, 564), 0x00445566u);
    EXPECT_EQ(b[568], 1);
    EXPECT_EQ(TextAt(b, 569), a.frozenFilePath);
    EXPECT_EQ(b[829], 1);
    EXPECT_EQ(U32At(b, 832), 70u);
    EXPECT_EQ(b[840], 1);
    EXPECT_EQ(U32At(b, 844), 4u);
    EXPECT_EQ(U32At(b, 848), 5u);
    EXPECT_EQ(U32At(b, 852), 2u);

    a.armed = false; // arming details are stored only while armed
    const Bytes disarmed = a.ToBytes();
    EXPECT_EQ(U32At(disarmed, 548) | U32At(disarmed, 552) | U32At(disarmed, 556), 0u);
    EXPECT_EQ(disarmed[560], 0);

    AudioTrackRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.ToBytes(), b);
    Bytes wrongVersion = b;
    PutF64(wrongVersion, 0, 1.1);
    EXPECT_EQ(read.FromBytes(wrongVersion.data(), wrongVersion.size()),
              ProjectReadError::BadVersion);
}

TEST(AudioTrackRecordTest, ArmingFromFileIsUsableOnlyWhenTheInputExists) {
    AudioTrackRecord a;
    a.armed = true;
    a.armedDriverType = 0;
    a.armedDevice = 1;
    a.armedChannel = 1; // right
    const Bytes b = a.ToBytes();
    AudioTrackRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_TRUE(read.armingFromFile);
    EXPECT_TRUE(read.armed); // kept as read

    RecordingInput input{0, 2, [](int device) { return device == 1 ? 2 : 1; }, {}, {}};
    EXPECT_TRUE(read.ArmingUsable(input));
    input.channelCount = [](int) { return 1; }; // a mono device has no right channel
    EXPECT_FALSE(read.ArmingUsable(input));
    input = {0, 1, [](int) { return 2; }, {}, {}}; // the device is gone
    EXPECT_FALSE(read.ArmingUsable(input));
    input = {2, 2, [](int) { return 2; }, {}, {}}; // another driver type
    EXPECT_FALSE(read.ArmingUsable(input));
    read.armedDevice = -1;
    EXPECT_FALSE(read.ArmingUsable({0, 2, [](int) { return 2; }, {}, {}}));
}

TEST(MidiTrackRecordTest, FieldsLieAtTheirOffsets) {
    MidiTrackRecord m;
    m.clipCount = 4;
    m.name = "Piano";
    m.imageName = "keys.png";
    m.volume = 0.8;
    m.pan = 0.5;
    m.mute = m.solo = m.armed = m.selected = m.windowOption = m.frozen = true;
    m.armedDevice = 1;
    m.armedChannel = 9;
    m.colour = 0xFF0000;
    m.height = 90;
    m.presetGroup = "Group";
    m.presetName = "Preset";
    m.presetKind = 1;
    m.windowX = 100;
    m.windowY = -1;
    m.frozenFilePath = "/rec/f.WAV";
    m.midiInputChannel = 15;
    const Bytes b = m.ToBytes();
    ASSERT_EQ(b.size(), 1952u);
    EXPECT_EQ(F64At(b, 0), 1.1);
    EXPECT_EQ(U32At(b, 8), 4u);
    EXPECT_EQ(TextAt(b, 12), "Piano");
    EXPECT_EQ(TextAt(b, 268), "keys.png");
    EXPECT_EQ(F64At(b, 528), 0.8);
    EXPECT_EQ(F64At(b, 536), 0.5);
    EXPECT_EQ(b[544] + b[545] + b[546], 3);
    EXPECT_EQ(U32At(b, 548), 1u);
    EXPECT_EQ(U32At(b, 552), 9u);
    EXPECT_EQ(U32At(b, 556), 0xFF0000u);
    EXPECT_EQ(b[560], 1);
    EXPECT_EQ(U32At(b, 564), 90u);
    EXPECT_EQ(TextAt(b, 568), "Group");
    EXPECT_EQ(TextAt(b, 828), "Preset");
    EXPECT_EQ(TextAt(b, 1088), "keys.png");
    EXPECT_EQ(U32At(b, 1604), 1u);
    EXPECT_EQ(b[1612], 1);
    EXPECT_EQ(U32At(b, 1616), 100u);
    EXPECT_EQ(U32At(b, 1620), 0xFFFFFFFFu);
    EXPECT_EQ(b[1624], 1);
    EXPECT_EQ(TextAt(b, 1625), "/rec/f.WAV");
    EXPECT_EQ(U32At(b, 1888), 15u);

    MidiTrackRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.ToBytes(), b);
    EXPECT_TRUE(read.ArmingUsable(2));
    EXPECT_FALSE(read.ArmingUsable(1));
}

TEST(MidiTrackRecordTest, InputChannelIsTakenOnlyFromVersion11WithinRange) {
    MidiTrackRecord m;
    m.midiInputChannel = 5;
    Bytes b = m.ToBytes();
    MidiTrackRecord read;
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.midiInputChannel, 5);
    PutU32(b, 1888, 16);
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.midiInputChannel, -1);
    PutU32(b, 1888, 5);
    PutF64(b, 0, 1.0);
    ASSERT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::None);
    EXPECT_EQ(read.midiInputChannel, -1);
    PutF64(b, 0, 1.2);
    EXPECT_EQ(read.FromBytes(b.data(), b.size()), ProjectReadError::BadVersion);
}

} // namespace
