#include "project/CMidiFileReader.h"
#include "SmfBytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Error = CMidiFileReader::Error;
using Meta = MidiFileContent::Meta;

Error Read(const std::vector<uint8_t>& bytes, MidiFileContent& content) {
    return CMidiFileReader::Read(bytes.data(), bytes.size(), content);
}

// A note on a channel: on at `delta`, off one quarter (at 480) later.
SmfTrack& Note(SmfTrack& track, uint32_t delta, int channel, int pitch) {
    return track.Event(delta, {uint8_t(0x90 | channel), uint8_t(pitch), 100})
        .Event(480, {uint8_t(0x80 | channel), uint8_t(pitch), 0});
}

const Meta* FindMeta(const MidiFileContent& content, Meta::Kind kind, int nth = 0) {
    for (const Meta& meta : content.metas)
        if (meta.kind == kind && nth-- == 0)
            return &meta;
    return nullptr;
}

TEST(CMidiFileReader, FormatZeroSplitsByChannelInChannelOrder) {
    SmfTrack track;
    track.Text(0, 0x03, "Song");
    Note(track, 0, 9, 36);
    Note(track, 0, 0, 60);
    track.End(0);
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(0, 480, {track}), content), Error::None);
    ASSERT_EQ(content.tracks.size(), 2u);
    EXPECT_EQ(content.tracks[0].firstChannel, 0);
    EXPECT_EQ(content.tracks[1].firstChannel, 9);
    EXPECT_EQ(content.tracks[1].name, "Song");
    ASSERT_EQ(content.tracks[1].messages.size(), 2u);
    EXPECT_EQ(content.tracks[1].messages[0].message, 0x642499u);
    EXPECT_DOUBLE_EQ(content.tracks[0].messages[0].timeMs, 500.0);
    EXPECT_DOUBLE_EQ(content.tracks[0].lengthMs, 1000.0);
}

TEST(CMidiFileReader, FormatOneKeepsEveryTrackWithItsName) {
    std::vector<SmfTrack> tracks(3);
    const char* names[] = {"Bass", "Keys", "Lead"};
    for (int index = 0; index < 3; ++index) {
        tracks[index].Text(0, 0x03, names[index]);
        Note(tracks[index], 0, index, 40 + index).End(0);
    }
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(1, 96, tracks), content), Error::None);
    ASSERT_EQ(content.tracks.size(), 3u);
    for (int index = 0; index < 3; ++index)
        EXPECT_EQ(content.tracks[index].name, names[index]);
    EXPECT_DOUBLE_EQ(content.msPerTick, 500.0 / 96.0);
}

TEST(CMidiFileReader, TempoAndTimeSignatureAtZeroAreTheInitialOnes) {
    SmfTrack conductor;
    conductor.Tempo(0, 400000).Meta(0, 0x58, {6, 3, 24, 8}).Tempo(960, 500000).End(0);
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(1, 480, {conductor}), content), Error::None);
    EXPECT_DOUBLE_EQ(content.initialTempo, 150.0);
    EXPECT_EQ(content.initialNumerator, 6);
    EXPECT_EQ(content.initialDenominator, 8);
    const Meta* change = FindMeta(content, Meta::kTempo, 1);
    ASSERT_NE(change, nullptr);
    EXPECT_DOUBLE_EQ(change->tempo, 120.0);
    EXPECT_DOUBLE_EQ(change->timeMs, 1000.0);
}

TEST(CMidiFileReader, RunningStatusGivesOneMessagePerPair) {
    SmfTrack track;
    track.Event(0, {0x90, 60, 100}).Event(0, {64, 100}).Event(0, {67, 100});
    track.Event(480, {60, 0}).Event(0, {64, 0}).Event(0, {67, 0}).End(0);
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(0, 480, {track}), content), Error::None);
    ASSERT_EQ(content.tracks.size(), 1u);
    EXPECT_EQ(content.tracks[0].messages.size(), 6u);
}

TEST(CMidiFileReader, TextCopyrightMarkersAndCuesAreKeptWithTheirTimes) {
    SmfTrack track;
    track.Text(0, 0x01, "Some words").Text(0, 0x02, std::string("(c) Us\0junk", 11));
    track.Text(240, 0x06, "Verse").Text(240, 0x07, "Cue").Meta(0, 0x20, {9});
    Note(track, 0, 9, 38).End(0);
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(1, 480, {track}), content), Error::None);
    ASSERT_NE(FindMeta(content, Meta::kText), nullptr);
    EXPECT_EQ(FindMeta(content, Meta::kText)->text, "Some words");
    EXPECT_EQ(FindMeta(content, Meta::kCopyright)->text, "(c) Us");
    EXPECT_DOUBLE_EQ(FindMeta(content, Meta::kMarker)->timeMs, 250.0);
    EXPECT_EQ(FindMeta(content, Meta::kCuePoint)->text, "Cue");
    EXPECT_DOUBLE_EQ(FindMeta(content, Meta::kCuePoint)->timeMs, 500.0);
    EXPECT_EQ(content.tracks[0].channelPrefix, 9);
}

TEST(CMidiFileReader, SmpteDivisionCountsFramesAndTicksAndIgnoresTempo) {
    SmfTrack track;
    track.Tempo(0, 1000000);
    Note(track, 100, 0, 60).End(0);
    MidiFileContent content;
    // 25 frames per second, 40 ticks per frame: one tick per millisecond.
    ASSERT_EQ(Read(SmfFile(0, uint16_t(0xE728), {track}), content), Error::None);
    EXPECT_TRUE(content.smpte);
    EXPECT_DOUBLE_EQ(content.msPerTick, 1.0);
    EXPECT_DOUBLE_EQ(content.tracks[0].messages[0].timeMs, 100.0);
    EXPECT_DOUBLE_EQ(content.initialTempo, 120.0);
    EXPECT_EQ(FindMeta(content, Meta::kTempo), nullptr);
}

TEST(CMidiFileReader, HeaderChecks) {
    std::vector<uint8_t> file = SmfFile(0, 480, {SmfTrack().End(0)});
    EXPECT_TRUE(CMidiFileReader::IsMidiFile(file.data(), file.size()));
    file[7] = 7;
    EXPECT_FALSE(CMidiFileReader::IsMidiFile(file.data(), file.size()));
    file[7] = 6;
    file[0] = 'X';
    EXPECT_FALSE(CMidiFileReader::IsMidiFile(file.data(), file.size()));
    EXPECT_FALSE(CMidiFileReader::IsMidiFile(file.data(), 7));

    MidiFileContent content;
    EXPECT_EQ(Read(SmfFile(2, 480, {SmfTrack().End(0)}), content), Error::UnsupportedFormat);
    EXPECT_EQ(Read(SmfFile(1, 0, {SmfTrack().End(0)}), content), Error::NotMidi);
    EXPECT_EQ(Read(SmfFile(1, uint16_t(0xE700), {SmfTrack().End(0)}), content), Error::NotMidi);
    std::vector<uint8_t> shortHeader = SmfFile(1, 480, {});
    shortHeader.resize(12);
    EXPECT_EQ(Read(shortHeader, content), Error::NotMidi);
}

TEST(CMidiFileReader, HostileLengthsStopAtTheEndOfTheData) {
    SmfTrack good;
    Note(good, 0, 0, 60).End(0);
    std::vector<uint8_t> file = SmfFile(1, 480, {good, good});
    MidiFileContent content;

    // A second track cut short: the first one stays.
    std::vector<uint8_t> cut(file.begin(), file.end() - 3);
    EXPECT_EQ(Read(cut, content), Error::MissingTrack);
    EXPECT_EQ(content.tracks.size(), 1u);

    // A track length far beyond the file.
    std::vector<uint8_t> huge = file;
    huge[18] = 0x7F;
    EXPECT_EQ(Read(huge, content), Error::MissingTrack);
    EXPECT_TRUE(content.tracks.empty());

    // A huge track count with one track present.
    std::vector<uint8_t> many = SmfFile(1, 480, {good});
    many[10] = many[11] = 0xFF;
    EXPECT_EQ(Read(many, content), Error::MissingTrack);
    EXPECT_EQ(content.tracks.size(), 1u);

    // Meta and sysex lengths beyond the track.
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'a'})}),
                   content),
              Error::BadEvent);
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0, 0xF0, 0x7F, 1, 2})}), content),
              Error::BadEvent);
}

TEST(CMidiFileReader, EndlessNumbersAndBadBytesFail) {
    MidiFileContent content;
    // A delta time whose bytes never end.
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0x81, 0x82, 0x83, 0x84, 0x85, 0x90, 60, 1})}),
                   content),
              Error::BadEvent);
    // Data without any status before it.
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0, 60, 100})}), content), Error::BadEvent);
    // A data byte with its top bit set.
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0, 0x90, 60, 0xC0})}), content),
              Error::BadEvent);
    // A system byte where a message should be.
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0, 0xF3, 1})}), content), Error::BadEvent);
    // A message cut off by the end of the track.
    EXPECT_EQ(Read(SmfFile(1, 480, {SmfTrack().Raw({0, 0x90, 60})}), content), Error::BadEvent);
}

TEST(CMidiFileReader, TrackWithoutEndEventEndsAtItsLastEventAndCutDeltaEndsIt) {
    SmfTrack track;
    Note(track, 0, 0, 60).Raw({0x83});
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(1, 480, {track}), content), Error::None);
    ASSERT_EQ(content.tracks.size(), 1u);
    EXPECT_DOUBLE_EQ(content.tracks[0].lengthMs, 500.0);
}

TEST(CMidiFileReader, OutOfRangeTimeSignaturesAndTempiAreBounded) {
    SmfTrack track;
    track.Meta(0, 0x58, {0, 2, 24, 8}).Meta(0, 0x58, {3, 9, 24, 8}).Tempo(0, 1).Tempo(10, 0);
    track.End(0);
    MidiFileContent content;
    ASSERT_EQ(Read(SmfFile(1, 480, {track}), content), Error::None);
    EXPECT_EQ(FindMeta(content, Meta::kTimeSignature), nullptr);
    EXPECT_DOUBLE_EQ(content.initialTempo, 999.0);
    EXPECT_DOUBLE_EQ(FindMeta(content, Meta::kTempo, 1)->tempo, 120.0);
}

} // namespace
