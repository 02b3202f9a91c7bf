#include "project/AudioTrackRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

namespace {

enum Offset : size_t {
    kVersionAt = 0,
    kNameAt = 8,
    kImageAt = 264,
    kVolumeAt = 528,
    kPanAt = 536,
    kMuteAt = 544,
    kSoloAt = 545,
    kArmedAt = 546,
    kArmedDeviceAt = 548,
    kArmedChannelAt = 552,
    kArmedDriverAt = 556,
    kMonitoringAt = 560,
    kColourAt = 564,
    kFrozenAt = 568,
    kFrozenPathAt = 569,
    kSelectedAt = 829,
    kHeightAt = 832,
    kClipCountAt = 836,
    kArmedBeforeAt = 840,
    kLastDriverAt = 844,
    kLastDeviceAt = 848,
    kLastChannelAt = 852,
};

double FiniteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

} // namespace

std::vector<uint8_t> AudioTrackRecord::ToBytes() const {
    CRecordBytes record(kSize);
    record.PutF64(kVersionAt, kVersion);
    record.PutText(kNameAt, kNameSize, name);
    record.PutText(kImageAt, kPathSize, imageName);
    record.PutF64(kVolumeAt, volume);
    record.PutF64(kPanAt, pan);
    record.PutU8(kMuteAt, mute ? 1 : 0);
    record.PutU8(kSoloAt, solo ? 1 : 0);
    record.PutU8(kArmedAt, armed ? 1 : 0);
    if (armed) {
        record.PutI32(kArmedDeviceAt, armedDevice);
        record.PutI32(kArmedChannelAt, armedChannel);
        record.PutI32(kArmedDriverAt, armedDriverType);
        record.PutU8(kMonitoringAt, monitoring ? 1 : 0);
    }
    record.PutU32(kColourAt, colour);
    record.PutU8(kFrozenAt, frozen ? 1 : 0);
    record.PutText(kFrozenPathAt, kPathSize, frozenFilePath);
    record.PutU8(kSelectedAt, selected ? 1 : 0);
    record.PutI32(kHeightAt, height);
    record.PutU32(kClipCountAt, clipCount);
    record.PutU8(kArmedBeforeAt, armedBefore ? 1 : 0);
    record.PutI32(kLastDriverAt, lastDriverType);
    record.PutI32(kLastDeviceAt, lastDevice);
    record.PutI32(kLastChannelAt, lastChannel);
    return record.Bytes();
}

ProjectReadError AudioTrackRecord::FromBytes(const uint8_t* body, size_t size) {
    if (size < kMinimumBodySize)
        return ProjectReadError::ChunkTooShort;
    const CRecordBytes record = CRecordBytes::FromBody(body, size, kSize);
    if (record.F64(kVersionAt) != kVersion) {
        Log("CAudioTrack::Load failed -  returning false!");
        return ProjectReadError::BadVersion;
    }
    AudioTrackRecord read;
    read.name = record.Text(kNameAt, kNameSize);
    read.imageName = record.Text(kImageAt, kPathSize);
    read.volume = FiniteOr(record.F64(kVolumeAt), 1.0);
    read.pan = FiniteOr(record.F64(kPanAt), 0.0);
    read.mute = record.U8(kMuteAt) != 0;
    read.solo = record.U8(kSoloAt) != 0;
    read.armed = record.U8(kArmedAt) != 0;
    read.armedDevice = record.I32(kArmedDeviceAt);
    read.armedChannel = record.I32(kArmedChannelAt);
    read.armedDriverType = record.I32(kArmedDriverAt);
    read.monitoring = record.U8(kMonitoringAt) != 0;
    read.colour = record.U32(kColourAt);
    read.frozen = record.U8(kFrozenAt) != 0;
    read.frozenFilePath = record.Text(kFrozenPathAt, kPathSize);
    read.selected = record.U8(kSelectedAt) != 0;
    read.height = record.I32(kHeightAt);
    read.clipCount = record.U32(kClipCountAt);
    read.armedBefore = record.U8(kArmedBeforeAt) != 0;
    read.lastDriverType = record.I32(kLastDriverAt);
    read.lastDevice = record.I32(kLastDeviceAt);
    read.lastChannel = record.I32(kLastChannelAt);
    read.armingFromFile = true;
    *this = std::move(read);
    return ProjectReadError::None;
}

bool AudioTrackRecord::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    if (riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size())))
        return true;
    Log("CAudioTracj::Save failed on WriteSubChunk(FOURCC_AUDIO_TRACK- returning false!");
    return false;
}

ProjectReadError AudioTrackRecord::Read(CRIFF& riff) {
    CRecordBytes record(kSize);
    uint32_t bodySize = 0;
    const ProjectReadError error =
        CRecordBytes::ReadChunk(riff, kChunkCode, kMinimumBodySize, kSize, &record, &bodySize);
    if (error == ProjectReadError::ShortRead)
        Log("CAudioTrack::Load failed on FOURCC_AUDIO_TRACK (readSize != subChunk.chunkSize) -  "
            "returning false!");
    else if (error != ProjectReadError::None)
        Log("CAudioTrack::Load failed -  returning false!");
    if (error != ProjectReadError::None)
        return error;
    return FromBytes(record.Data(), std::min<size_t>(bodySize, kSize));
}
