#include "project/LegacyTrackRecord.h"

#include "project/CRecordBytes.h"

namespace {

enum Offset : size_t {
    kMuteAt = 8,
    kSoloAt = 12,
    kEngineValueAt = 20,
    kNameAt = 24,
    kVolumeAt = 280,
    kPanAt = 284,
};

} // namespace

LegacyTrackRecord LegacyTrackRecord::FromBytes(const uint8_t* in) {
    const CRecordBytes record = CRecordBytes::FromBody(in, kSize, kSize);
    LegacyTrackRecord read;
    read.mute = record.U32(kMuteAt) != 0;
    read.solo = record.U32(kSoloAt) != 0;
    read.engineValue = record.U32(kEngineValueAt);
    read.name = record.Text(kNameAt, kNameSize);
    read.volumePercent = record.I32(kVolumeAt);
    read.panPercent = record.I32(kPanAt);
    return read;
}

AudioTrackRecord LegacyTrackRecord::ToAudioTrackRecord() const {
    AudioTrackRecord audio;
    audio.name = name;
    audio.mute = mute;
    audio.solo = solo;
    audio.volume = volumePercent * 0.01;
    audio.pan = panPercent * 0.01;
    return audio;
}
