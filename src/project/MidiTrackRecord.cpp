#include "project/MidiTrackRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

namespace {

enum Offset : size_t {
    kVersionAt = 0,
    kClipCountAt = 8,
    kNameAt = 12,
    kImageAt = 268,
    kVolumeAt = 528,
    kPanAt = 536,
    kMuteAt = 544,
    kSoloAt = 545,
    kArmedAt = 546,
    kArmedDeviceAt = 548,
    kArmedChannelAt = 552,
    kColourAt = 556,
    kSelectedAt = 560,
    kHeightAt = 564,
    kPresetGroupAt = 568,
    kPresetNameAt = 828,
    kImageCopyAt = 1088,
    kPresetKindAt = 1604,
    kWindowOptionAt = 1612,
    kWindowXAt = 1616,
    kWindowYAt = 1620,
    kFrozenAt = 1624,
    kFrozenPathAt = 1625,
    kInputChannelAt = 1888,
};

double FiniteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

bool ValidChannel(int32_t channel) {
    return channel >= MidiTrackRecord::kAllChannels && channel <= MidiTrackRecord::kLastChannel;
}

} // namespace

bool MidiTrackRecord::ArmingUsable(int midiInputDeviceCount) const {
    return armed && armedDevice >= 0 && armedDevice < midiInputDeviceCount &&
           ValidChannel(armedChannel);
}

std::vector<uint8_t> MidiTrackRecord::ToBytes() const {
    CRecordBytes record(kSize);
    record.PutF64(kVersionAt, kVersion);
    record.PutU32(kClipCountAt, clipCount);
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
    }
    record.PutU32(kColourAt, colour);
    record.PutU8(kSelectedAt, selected ? 1 : 0);
    record.PutI32(kHeightAt, height);
    record.PutText(kPresetGroupAt, kPathSize, presetGroup);
    record.PutText(kPresetNameAt, kPathSize, presetName);
    record.PutText(kImageCopyAt, kPathSize, imageName);
    record.PutU32(kPresetKindAt, presetKind);
    record.PutU8(kWindowOptionAt, windowOption ? 1 : 0);
    record.PutI32(kWindowXAt, windowX);
    record.PutI32(kWindowYAt, windowY);
    record.PutU8(kFrozenAt, frozen ? 1 : 0);
    record.PutText(kFrozenPathAt, kPathSize, frozenFilePath);
    record.PutI32(kInputChannelAt, midiInputChannel);
    return record.Bytes();
}

ProjectReadError MidiTrackRecord::FromBytes(const uint8_t* body, size_t size) {
    if (size < kMinimumBodySize)
        return ProjectReadError::ChunkTooShort;
    const CRecordBytes record = CRecordBytes::FromBody(body, size, kSize);
    const double storedVersion = record.F64(kVersionAt);
    if (storedVersion != kOldestVersion && storedVersion != kVersion) {
        Log("CMIDITrack::Load failed -  returning false!");
        return ProjectReadError::BadVersion;
    }
    MidiTrackRecord read;
    read.version = storedVersion;
    read.clipCount = record.U32(kClipCountAt);
    read.name = record.Text(kNameAt, kNameSize);
    read.imageName = record.Text(kImageAt, kPathSize);
    read.volume = FiniteOr(record.F64(kVolumeAt), 1.0);
    read.pan = FiniteOr(record.F64(kPanAt), 0.0);
    read.mute = record.U8(kMuteAt) != 0;
    read.solo = record.U8(kSoloAt) != 0;
    read.armed = record.U8(kArmedAt) != 0;
    read.armedDevice = record.I32(kArmedDeviceAt);
    read.armedChannel = record.I32(kArmedChannelAt);
    read.colour = record.U32(kColourAt);
    read.selected = record.U8(kSelectedAt) != 0;
    read.height = record.I32(kHeightAt);
    read.presetGroup = record.Text(kPresetGroupAt, kPathSize);
    read.presetName = record.Text(kPresetNameAt, kPathSize);
    read.presetKind = record.U32(kPresetKindAt);
    read.windowOption = record.U8(kWindowOptionAt) != 0;
    read.windowX = record.I32(kWindowXAt);
    read.windowY = record.I32(kWindowYAt);
    read.frozen = record.U8(kFrozenAt) != 0;
    read.frozenFilePath = record.Text(kFrozenPathAt, kPathSize);
    const int32_t channel = record.I32(kInputChannelAt);
    read.midiInputChannel =
        storedVersion == kVersion && ValidChannel(channel) ? channel : kAllChannels;
    read.armingFromFile = true;
    *this = std::move(read);
    return ProjectReadError::None;
}

bool MidiTrackRecord::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    if (riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size())))
        return true;
    Log("CAudioTracj::Save failed on WriteSubChunk(FOURCC_MIDI_TRACK- returning false!");
    return false;
}

ProjectReadError MidiTrackRecord::Read(CRIFF& riff) {
    CRecordBytes record(kSize);
    uint32_t bodySize = 0;
    const ProjectReadError error =
        CRecordBytes::ReadChunk(riff, kChunkCode, kMinimumBodySize, kSize, &record, &bodySize);
    if (error == ProjectReadError::ShortRead)
        Log("CMIDITrack::Load failed on FOURCC_MIDI_TRACK (readSize != subChunk.chunkSize) -  "
            "returning false!");
    else if (error != ProjectReadError::None)
        Log("CMIDITrack::Load failed -  returning false!");
    if (error != ProjectReadError::None)
        return error;
    return FromBytes(record.Data(), std::min<size_t>(bodySize, kSize));
}
