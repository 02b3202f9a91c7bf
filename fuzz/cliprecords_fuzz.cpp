// Feeds arbitrary bytes to the clip record readers: the audio clip record,
// the MIDI clip record, the clip envelopes and the legacy sound path. Besides
// the sanitizers, an accepted audio clip record must hold only safe values,
// and an accepted record must write back to bytes that read the same.
#include "project/AudioClipRecord.h"
#include "project/ClipEnvelopeRecord.h"
#include "project/MidiClipRecord.h"
#include "project/SoundRefRecord.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckAudioClip(const uint8_t* data, size_t size) {
    AudioClipRecord record;
    if (record.FromBytes(data, size) != ProjectReadError::None)
        return;
    Check(std::isfinite(record.position) && record.position >= 0.0);
    Check(std::isfinite(record.offset) && record.offset >= 0.0);
    Check(std::isfinite(record.length) && record.length >= AudioClipRecord::kMinimumLengthMs);
    Check(record.rate >= AudioClipRecord::kMinimumRate &&
          record.rate <= AudioClipRecord::kMaximumRate);
    Check(record.loopStart < record.loopEnd || (record.loopStart == 0.0 && record.loopEnd == 0.0));
    const auto bytes = record.ToBytes();
    AudioClipRecord again;
    Check(again.FromBytes(bytes.data(), bytes.size()) == ProjectReadError::None);
    Check(again.ToBytes() == bytes);
}

void CheckMidiClip(const uint8_t* data, size_t size) {
    MidiClipRecord record;
    if (record.FromBytes(data, size) != ProjectReadError::None)
        return;
    const auto bytes = record.ToBytes();
    MidiClipRecord again;
    Check(again.FromBytes(bytes.data(), bytes.size()) == ProjectReadError::None);
    Check(again.ToBytes() == bytes);
}

void CheckEnvelopes(const uint8_t* data, size_t size) {
    ClipEnvelopeRecord record;
    if (record.FromBytes(data, size) != ProjectReadError::None)
        return;
    // A head-only body (8 to 80 bytes) holds no points; every point needs its 16 bytes.
    const size_t pointBytes =
        size > ClipEnvelopeRecord::kHeadSize ? size - ClipEnvelopeRecord::kHeadSize : 0;
    Check(record.points.size() * ClipEnvelopeRecord::kPointSize <= pointBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckAudioClip(data, size);
    CheckMidiClip(data, size);
    CheckEnvelopes(data, size);
    Check(SoundRefRecord::PathFromBody(data, size).size() < SoundRefRecord::kPathSize);
    return 0;
}
