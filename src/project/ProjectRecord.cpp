#include "project/ProjectRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

namespace {

enum Offset : size_t {
    kVersionAt = 0,
    kFolderAt = 8,
    kBeatMatchAt = 268,
    kMetronomeAt = 269,
    kAuthorAt = 270,
    kAlbumAt = 526,
    kCopyrightAt = 782,
    kTitleAt = 1038,
    kCommentsAt = 1294,
    kGenreAt = 2318,
    kAudioCountAt = 2576,
    kTimeLineModeAt = 2580,
    kMasterVolumeAt = 2584,
    kMidiCountAt = 2592,
    kYearAt = 2596,
};

constexpr double kFirstVersionWithVolume = 1.1;
constexpr double kFirstVersionWithYear = 1.3;

} // namespace

std::vector<uint8_t> ProjectRecord::ToBytes() const {
    CRecordBytes record(kSize);
    record.PutF64(kVersionAt, kVersion);
    record.PutText(kFolderAt, kFolderSize, recordingFolder);
    record.PutU8(kBeatMatchAt, autoBeatMatch ? 1 : 0);
    record.PutU8(kMetronomeAt, metronome ? 1 : 0);
    record.PutText(kAuthorAt, kTextSize, author);
    record.PutText(kAlbumAt, kTextSize, album);
    record.PutText(kCopyrightAt, kTextSize, copyright);
    record.PutText(kTitleAt, kTextSize, title);
    record.PutText(kCommentsAt, kCommentsSize, comments);
    record.PutText(kGenreAt, kTextSize, genre);
    record.PutU32(kAudioCountAt, audioTrackCount);
    record.PutU32(kTimeLineModeAt, timeLineMode);
    record.PutF64(kMasterVolumeAt, masterVolume);
    record.PutU32(kMidiCountAt, midiTrackCount);
    record.PutU32(kYearAt, year);
    return record.Bytes();
}

ProjectReadError ProjectRecord::FromBytes(const uint8_t* body, size_t size) {
    if (size < kMinimumBodySize)
        return ProjectReadError::ChunkTooShort;
    const CRecordBytes record = CRecordBytes::FromBody(body, size, kSize);
    const double storedVersion = record.F64(kVersionAt);
    if (!(storedVersion >= kOldestVersion && storedVersion <= kVersion)) {
        Log("CProject::Load failed - returning false!");
        return ProjectReadError::BadVersion;
    }
    ProjectRecord read;
    read.version = storedVersion;
    read.recordingFolder = record.Text(kFolderAt, kFolderSize);
    read.autoBeatMatch = record.U8(kBeatMatchAt) != 0;
    read.metronome = record.U8(kMetronomeAt) != 0;
    read.author = record.Text(kAuthorAt, kTextSize);
    read.album = record.Text(kAlbumAt, kTextSize);
    read.copyright = record.Text(kCopyrightAt, kTextSize);
    read.title = record.Text(kTitleAt, kTextSize);
    read.comments = record.Text(kCommentsAt, kCommentsSize);
    read.genre = record.Text(kGenreAt, kTextSize);
    read.audioTrackCount = record.U32(kAudioCountAt);
    read.timeLineMode = record.U32(kTimeLineModeAt);
    read.midiTrackCount = record.U32(kMidiCountAt);
    if (storedVersion >= kFirstVersionWithVolume) {
        const double volume = record.F64(kMasterVolumeAt);
        read.masterVolume = std::isfinite(volume) && volume >= 0.0 ? volume : 1.0;
    }
    if (storedVersion >= kFirstVersionWithYear)
        read.year = record.U32(kYearAt);
    *this = std::move(read);
    return ProjectReadError::None;
}

bool ProjectRecord::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    return riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

ProjectReadError ProjectRecord::Read(CRIFF& riff) {
    CRecordBytes record(kSize);
    uint32_t bodySize = 0;
    const ProjectReadError error =
        CRecordBytes::ReadChunk(riff, kChunkCode, kMinimumBodySize, kSize, &record, &bodySize);
    if (error == ProjectReadError::ShortRead)
        Log("CProject::Load failed to load FOURCC_PROJECT (readSize != subChunk.chunkSize) -  "
            "returning false!");
    else if (error != ProjectReadError::None)
        Log("CProject::Load failed - returning false!");
    if (error != ProjectReadError::None)
        return error;
    return FromBytes(record.Data(), std::min<size_t>(bodySize, kSize));
}
