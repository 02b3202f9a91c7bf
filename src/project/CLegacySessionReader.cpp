#include "project/CLegacySessionReader.h"

#include "project/CRecordBytes.h"
#include "project/LegacyMarkerRecord.h"
#include "project/LegacyTrackRecord.h"
#include "project/ProjectFileContents.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <cmath>

namespace {

const FourCC kTrackDataCode = MakeFourCC("thtd");
const FourCC kEffectListType = MakeFourCC("thel");
const FourCC kEffectCode = MakeFourCC("thed");
const FourCC kMarkersCode = MakeFourCC("tmrk");
const FourCC kMarkers2Code = MakeFourCC("tmk2");
const FourCC kSoundGroupType = MakeFourCC("sgrp");
const FourCC kSoundGroupDataCode = MakeFourCC("sgdt");
const FourCC kSoundGroupInfoCode = MakeFourCC("sgif");
const FourCC kSoundListType = MakeFourCC("sndc");

constexpr size_t kTrackDataHeaderSize = 16;
constexpr size_t kTrackCountAt = 8;
constexpr size_t kMasterVolumeAt = 12;
constexpr size_t kMarkerCountSize = 4;
constexpr uint32_t kSoundGroupDataSize = 4;
constexpr size_t kSoundGroupInfoSize = 2152;
constexpr size_t kCommentsSize = 1024;
constexpr double kTmk2StartTempo = 120.0;

// Reads the whole current chunk; the reader keeps chunks inside the file, so
// its size is bounded by what is there.
bool ReadWholeChunk(CRIFF& riff, const RIFFChunkInfo& chunk, std::vector<uint8_t>* body) {
    body->resize(chunk.chunkSize);
    return riff.ReadCurrentSubChunk(body->data(), chunk.chunkSize) == chunk.chunkSize;
}

// Number of fixed-size entries after a header that really fit in the body.
size_t Room(size_t bodySize, size_t headerSize, size_t entrySize) {
    return bodySize > headerSize ? (bodySize - headerSize) / entrySize : 0;
}

} // namespace

ProjectReadError CLegacySessionReader::Read(CRIFF& riff, ProjectFileContents* contents) const {
    ProjectFileContents read;
    read.legacySession = true;
    ProjectReadError error = ReadTrackData(riff, read);
    if (error != ProjectReadError::None)
        return error;
    ReadEffects(riff, read);
    if ((error = EnterSoundGroup(riff)) != ProjectReadError::None)
        return error;
    if ((error = ReadMarkers(riff, read)) != ProjectReadError::None ||
        (error = ReadSounds(riff, read)) != ProjectReadError::None)
        return error;
    riff.Ascend();
    *contents = std::move(read);
    return ProjectReadError::None;
}

ProjectReadError CLegacySessionReader::ReadTrackData(CRIFF& riff,
                                                     ProjectFileContents& contents) const {
    RIFFChunkInfo chunk;
    riff.SeekToLevelBeginning();
    if (!riff.SeekToChunk(kTrackDataCode) || !riff.GetCurrentChunkInfo(nullptr, &chunk) ||
        chunk.chunkSize < kTrackDataHeaderSize) {
        Log("CProject::LegacyLoad failed on FOURCC_LEGACY_TRACK_DATA_CHUNK 2 - returning false!");
        return chunk.chunkID == kTrackDataCode ? ProjectReadError::ChunkTooShort
                                               : ProjectReadError::ChunkMissing;
    }
    std::vector<uint8_t> body;
    if (!ReadWholeChunk(riff, chunk, &body)) {
        Log("CProject::LegacyLoad failed on FOURCC_LEGACY_TRACK_DATA_CHUNK (readSize != "
            "subChunk.chunkSize) - returning false!");
        return ProjectReadError::ShortRead;
    }
    const CRecordBytes header =
        CRecordBytes::FromBody(body.data(), body.size(), kTrackDataHeaderSize);
    const uint32_t count = header.U32(kTrackCountAt);
    if (count > Room(body.size(), kTrackDataHeaderSize, LegacyTrackRecord::kSize)) {
        LogFmt("Legacy track data announces %u tracks but does not hold them", count);
        return ProjectReadError::CountDoesNotFit;
    }
    const double volume = header.I32(kMasterVolumeAt) * 0.01;
    contents.project.masterVolume = volume >= 0.0 ? volume : 1.0;
    contents.project.audioTrackCount = count;
    for (uint32_t i = 0; i < count; ++i) {
        const LegacyTrackRecord legacy = LegacyTrackRecord::FromBytes(
            &body[kTrackDataHeaderSize + size_t{i} * LegacyTrackRecord::kSize]);
        TrackFileContents& track = contents.tracks.emplace_back(legacy.ToAudioTrackRecord());
        track.legacyEngineValue = legacy.engineValue;
    }
    return ProjectReadError::None;
}

// The effect list is optional: a session without one has no effects.
void CLegacySessionReader::ReadEffects(CRIFF& riff, ProjectFileContents& contents) const {
    riff.SeekToLevelBeginning();
    if (!riff.SeekToChunk(FOURCC_LIST, kEffectListType) || !riff.Descend())
        return;
    RIFFChunkInfo chunk;
    bool more = riff.GetCurrentChunkInfo(nullptr, &chunk);
    while (more) {
        RawChunk effect;
        if (chunk.chunkID == kEffectCode && effect.ReadCurrent(riff))
            contents.legacyEffects.push_back(std::move(effect));
        more = riff.SeekToNextChunk() && riff.GetCurrentChunkInfo(nullptr, &chunk);
    }
    riff.Ascend();
}

ProjectReadError CLegacySessionReader::EnterSoundGroup(CRIFF& riff) const {
    RIFFChunkInfo chunk;
    riff.SeekToLevelBeginning();
    if (!riff.GetCurrentChunkInfo(nullptr, &chunk) || chunk.chunkID != FOURCC_LIST) {
        Log("CProject::LegacyLoad failed (subChunk.chunkID != FOURCC_LIST) - returning false!");
        return ProjectReadError::ChunkMissing;
    }
    if (chunk.chunkType != kSoundGroupType)
        return ProjectReadError::ChunkMissing;
    if (!riff.Descend()) {
        Log("CProject::LegacyLoad failed on riff->Descend(); - returning false!");
        return ProjectReadError::ChunkMissing;
    }
    return ProjectReadError::None;
}

ProjectReadError CLegacySessionReader::ReadMarkers(CRIFF& riff,
                                                   ProjectFileContents& contents) const {
    RIFFChunkInfo chunk;
    std::vector<uint8_t> body;
    riff.SeekToLevelBeginning();
    if (riff.SeekToChunk(kMarkersCode) && riff.GetCurrentChunkInfo(nullptr, &chunk)) {
        if (chunk.chunkSize < kMarkerCountSize) {
            Log("CProject::LegacyLoad failed to find FOURCC_LEGACY_TRACK_MARKER_CHUNKER - "
                "returning false!");
            return ProjectReadError::ChunkTooShort;
        }
        if (!ReadWholeChunk(riff, chunk, &body)) {
            Log("CProject::LegacyLoad failed on FOURCC_LEGACY_TRACK_MARKER_CHUNKER (readSize != "
                "subChunk.chunkSize) -");
            return ProjectReadError::ShortRead;
        }
        return ReadMarkerRecords(body, false, contents);
    }
    riff.SeekToLevelBeginning();
    if (riff.SeekToChunk(kMarkers2Code) && riff.GetCurrentChunkInfo(nullptr, &chunk)) {
        if (chunk.chunkSize < kMarkerCountSize) {
            Log("CProject::LegacyLoad failed to find FOURCC_LEGACY_TRACK_MARKER_CHUNKER2 - "
                "returning false!");
            return ProjectReadError::ChunkTooShort;
        }
        if (!ReadWholeChunk(riff, chunk, &body)) {
            Log("CProject::LegacyLoad failed to find FOURCC_LEGACY_TRACK_MARKER_CHUNKER2 "
                "(readSize != subChunk.chunkSize) - returning false!");
            return ProjectReadError::ShortRead;
        }
        return ReadMarkerRecords(body, true, contents);
    }
    Log("CProject::LegacyLoad - Markers not found - returning false!");
    return ProjectReadError::ChunkMissing;
}

ProjectReadError CLegacySessionReader::ReadMarkerRecords(const std::vector<uint8_t>& body,
                                                         bool withIsrc,
                                                         ProjectFileContents& contents) const {
    const size_t recordSize =
        withIsrc ? LegacyMarkerRecord::kSizeWithIsrc : LegacyMarkerRecord::kSize;
    const uint32_t count = CRecordBytes::FromBody(body.data(), body.size(), 4).U32(0);
    if (count > Room(body.size(), kMarkerCountSize, recordSize)) {
        LogFmt("Legacy marker chunk announces %u markers but does not hold them", count);
        return ProjectReadError::CountDoesNotFit;
    }
    TempoEvent startEvent = m_startEvent;
    if (withIsrc)
        startEvent.tempo = kTmk2StartTempo;
    for (uint32_t i = 0; i < count; ++i) {
        const LegacyMarkerRecord legacy = LegacyMarkerRecord::FromBytes(
            &body[kMarkerCountSize + size_t{i} * recordSize], withIsrc);
        MarkerRecord marker;
        if (legacy.ToMarkerRecord(i == 0, startEvent, &marker) != ProjectReadError::None) {
            LogFmt(withIsrc ? "CProject::LegacyLoad failed on "
                              "FOURCC_LEGACY_TRACK_MARKER_CHUNKER2::LegacyLoadInfo(&markerData->"
                              "trackMarker[%d]); - returning false!"
                            : "CProject::LegacyLoad failed on LegacyLoadInfo(&markerData->"
                              "trackMarker[%d]); - returning false!",
                   static_cast<int>(i));
            return ProjectReadError::BadValue;
        }
        contents.markers.markers.push_back(std::move(marker));
    }
    return ProjectReadError::None;
}

ProjectReadError CLegacySessionReader::ReadSounds(CRIFF& riff,
                                                  ProjectFileContents& contents) const {
    RIFFChunkInfo chunk;
    riff.SeekToLevelBeginning();
    if (!riff.SeekToChunk(kSoundGroupDataCode)) {
        Log("CProject::LegacyLoad FOURCC_LEGACY_SOUNDGROUP_DATA_CHUNK not found - returning "
            "false!");
        return ProjectReadError::ChunkMissing;
    }
    uint8_t countBytes[kSoundGroupDataSize] = {};
    if (!riff.GetCurrentChunkInfo(nullptr, &chunk) || chunk.chunkSize != kSoundGroupDataSize) {
        Log("CProject::LegacyLoad subChunk.chunkID != FOURCC_LEGACY_SOUNDGROUP_DATA_CHUNK - "
            "returning false!");
        return ProjectReadError::ChunkTooShort;
    }
    if (riff.ReadCurrentSubChunk(countBytes, sizeof countBytes) != sizeof countBytes) {
        Log("CProject::LegacyLoad (readSize != subChunk.chunkSize) - returning false!");
        return ProjectReadError::ShortRead;
    }
    const uint32_t soundCount = CRecordBytes::FromBody(countBytes, 4, 4).U32(0);

    std::vector<uint8_t> info;
    if (!riff.SeekToNextChunk() || !riff.GetCurrentChunkInfo(nullptr, &chunk) ||
        chunk.chunkID != kSoundGroupInfoCode || chunk.chunkSize < kSoundGroupInfoSize) {
        Log("CProject::LegacyLoad ~ subChunk.chunkID != FOURCC_LEGACY_SOUNDGROUP_INFO_CHUNK  - "
            "returning false!");
        return ProjectReadError::ChunkMissing;
    }
    if (!ReadWholeChunk(riff, chunk, &info)) {
        Log("CProject::LegacyLoad ~FOURCC_LEGACY_SOUNDGROUP_INFO_CHUNK (readSize != "
            "subChunk.chunkSize) - returning false!");
        return ProjectReadError::ShortRead;
    }
    contents.project.comments =
        CRecordBytes::FromBody(info.data(), info.size(), kCommentsSize).Text(0, kCommentsSize);

    bool more = riff.SeekToNextChunk();
    for (uint32_t i = 0; i < soundCount; ++i) {
        if (!more || !riff.GetCurrentChunkInfo(nullptr, &chunk)) {
            LogFmt("Legacy session announces %u sounds but holds %u", soundCount, i);
            break;
        }
        if (chunk.chunkID != FOURCC_LIST) {
            Log("CProject::LegacyLoad (subChunk.chunkID != FOURCC_LIST)   - returning false!");
            return ProjectReadError::ChunkMissing;
        }
        if (chunk.chunkType != kSoundListType) {
            Log("CProject::LegacyLoad masterChunk.chunkType != FOURCC_SND_CHUNK - returning "
                "false!");
            return ProjectReadError::ChunkMissing;
        }
        RawChunk sound;
        if (!sound.ReadCurrent(riff))
            return ProjectReadError::ShortRead;
        contents.legacySounds.push_back(std::move(sound));
        more = riff.SeekToNextChunk();
    }
    return ProjectReadError::None;
}
