#include "project/MidiClipRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

namespace {

enum Offset : size_t {
    kVersionAt = 0,
    kSoundIdAt = 8,
    kNameAt = 12,
    kBeatOffsetAt = 268,
    kTrackIndexAt = 272,
    kSelectedAt = 276,
};

} // namespace

std::vector<uint8_t> MidiClipRecord::ToBytes() const {
    CRecordBytes record(kSize);
    record.PutF64(kVersionAt, kVersion);
    record.PutI32(kSoundIdAt, soundId);
    record.PutText(kNameAt, kNameSize, name);
    record.PutI32(kBeatOffsetAt, beatOffsetMs);
    record.PutI32(kTrackIndexAt, trackIndex);
    record.PutU8(kSelectedAt, selected ? 1 : 0);
    return record.Bytes();
}

ProjectReadError MidiClipRecord::FromBytes(const uint8_t* body, size_t size) {
    if (body == nullptr || size != kSize) {
        Log("CMIDIClip::Load - failed on FOURCC_MIDI_CLIP (readSize != sizeof(MIDIClipSaveLoad)) "
            "- returning false!");
        return ProjectReadError::ChunkTooShort;
    }
    const CRecordBytes record = CRecordBytes::FromBody(body, size, kSize);
    MidiClipRecord read;
    read.version = record.F64(kVersionAt);
    read.soundId = record.I32(kSoundIdAt);
    read.name = record.Text(kNameAt, kNameSize);
    read.beatOffsetMs = record.I32(kBeatOffsetAt);
    read.trackIndex = record.I32(kTrackIndexAt);
    read.selected = record.U8(kSelectedAt) != 0;
    *this = std::move(read);
    return ProjectReadError::None;
}

bool MidiClipRecord::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    if (riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size())))
        return true;
    Log("CMIDIClip::Save failed on WriteSubChunk(FOURCC_MIDI_CLIP) - returning false!");
    return false;
}

ProjectReadError MidiClipRecord::Read(CRIFF& riff) {
    // One byte more than the record is read so that a longer body shows.
    CRecordBytes record(kSize + 1);
    uint32_t bodySize = 0;
    ProjectReadError error =
        CRecordBytes::ReadChunk(riff, kChunkCode, 0, kSize + 1, &record, &bodySize);
    if (error == ProjectReadError::None)
        return FromBytes(record.Data(), bodySize);
    Log("CMIDIClip::Load - failed on FOURCC_MIDI_CLIP (readSize != sizeof(MIDIClipSaveLoad)) - "
        "returning false!");
    return error;
}
