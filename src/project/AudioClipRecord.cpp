#include "project/AudioClipRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

namespace {

// Where one version keeps its fields. Integer timing fields (the position
// before 1.2, length and offset in 1.0) are widened to doubles when read.
struct Layout {
    size_t minimumSize;
    bool integerPosition;     // the position as int32
    bool integerLengthOffset; // length and offset as int32
    size_t position, length, offset, loopStart, loopEnd, trackIndex, rate, pitchShift, name,
        beatOffset, obeyKeyMap, key, tempo, obeyTempoMap, ratePitchCorrect, selected, locked, muted,
        forceTempo, forceKey, forcedTempo, forcedKey;
};

constexpr size_t kVersionAt = 0;
constexpr size_t kAbsolutePathAt = 8;
constexpr size_t kRelativePathAt = 268;
constexpr size_t kSoundIdAt = 528;

constexpr Layout kLayout10{AudioClipRecord::kMinimumSize10,
                           true,
                           true,
                           532,
                           536,
                           540,
                           544,
                           552,
                           560,
                           568,
                           576,
                           584,
                           840,
                           844,
                           848,
                           856,
                           864,
                           865,
                           866,
                           867,
                           868,
                           869,
                           870,
                           872,
                           880};
constexpr Layout kLayout11{AudioClipRecord::kMinimumSize11,
                           true,
                           false,
                           532,
                           536,
                           544,
                           552,
                           560,
                           568,
                           576,
                           584,
                           592,
                           848,
                           852,
                           856,
                           864,
                           872,
                           873,
                           874,
                           875,
                           876,
                           877,
                           878,
                           880,
                           888};
constexpr Layout kLayout12{AudioClipRecord::kMinimumSize12,
                           false,
                           false,
                           536,
                           544,
                           552,
                           560,
                           568,
                           576,
                           584,
                           592,
                           600,
                           856,
                           860,
                           864,
                           872,
                           880,
                           881,
                           882,
                           883,
                           884,
                           885,
                           886,
                           888,
                           896};

const Layout* LayoutOf(double version) {
    if (version == 1.0)
        return &kLayout10;
    if (version == 1.1)
        return &kLayout11;
    if (version == 1.2)
        return &kLayout12;
    return nullptr;
}

double FiniteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

double TimeField(const CRecordBytes& record, size_t at, bool integer) {
    return integer ? static_cast<double>(record.I32(at)) : record.F64(at);
}

} // namespace

std::vector<uint8_t> AudioClipRecord::ToBytes() const {
    const Layout& l = kLayout12;
    CRecordBytes record(kSize);
    record.PutF64(kVersionAt, 1.2);
    record.PutText(kAbsolutePathAt, kPathSize, absolutePath);
    record.PutText(kRelativePathAt, kPathSize, relativePath);
    record.PutI32(kSoundIdAt, soundId);
    record.PutF64(l.position, position);
    record.PutF64(l.length, length);
    record.PutF64(l.offset, offset);
    record.PutF64(l.loopStart, loopStart);
    record.PutF64(l.loopEnd, loopEnd);
    record.PutI32(l.trackIndex, trackIndex);
    record.PutF64(l.rate, rate);
    record.PutF64(l.pitchShift, pitchShift);
    record.PutText(l.name, kNameSize, name);
    record.PutI32(l.beatOffset, beatOffsetMs);
    record.PutU8(l.obeyKeyMap, obeyKeyMap ? 1 : 0);
    record.PutI32(l.key, key);
    record.PutF64(l.tempo, tempo);
    record.PutU8(l.obeyTempoMap, obeyTempoMap ? 1 : 0);
    record.PutU8(l.ratePitchCorrect, ratePitchCorrect ? 1 : 0);
    record.PutU8(l.selected, selected ? 1 : 0);
    record.PutU8(l.locked, locked ? 1 : 0);
    record.PutU8(l.muted, muted ? 1 : 0);
    record.PutU8(l.forceTempo, forceTempo ? 1 : 0);
    record.PutU8(l.forceKey, forceKey ? 1 : 0);
    if (forceTempo)
        record.PutF64(l.forcedTempo, forcedTempo);
    if (forceKey)
        record.PutI32(l.forcedKey, forcedKey);
    return record.Bytes();
}

ProjectReadError AudioClipRecord::FromBytes(const uint8_t* body, size_t size) {
    if (size < 8 || body == nullptr)
        return ProjectReadError::ChunkTooShort;
    const CRecordBytes record = CRecordBytes::FromBody(body, size, kSize);
    const double readVersion = record.F64(kVersionAt);
    const Layout* layout = LayoutOf(readVersion);
    if (layout == nullptr)
        return ProjectReadError::BadVersion;
    if (size < layout->minimumSize)
        return ProjectReadError::ChunkTooShort;
    const Layout& l = *layout;
    AudioClipRecord read;
    read.version = readVersion;
    read.absolutePath = record.Text(kAbsolutePathAt, kPathSize);
    read.relativePath = record.Text(kRelativePathAt, kPathSize);
    read.soundId = record.I32(kSoundIdAt);
    read.position = TimeField(record, l.position, l.integerPosition);
    read.length = TimeField(record, l.length, l.integerLengthOffset);
    read.offset = TimeField(record, l.offset, l.integerLengthOffset);
    read.loopStart = record.F64(l.loopStart);
    read.loopEnd = record.F64(l.loopEnd);
    read.trackIndex = record.I32(l.trackIndex);
    read.rate = record.F64(l.rate);
    read.pitchShift = record.F64(l.pitchShift);
    read.name = record.Text(l.name, kNameSize);
    read.beatOffsetMs = record.I32(l.beatOffset);
    read.obeyKeyMap = record.U8(l.obeyKeyMap) != 0;
    read.key = record.I32(l.key);
    read.tempo = record.F64(l.tempo);
    read.obeyTempoMap = record.U8(l.obeyTempoMap) != 0;
    read.ratePitchCorrect = record.U8(l.ratePitchCorrect) != 0;
    read.selected = record.U8(l.selected) != 0;
    read.locked = record.U8(l.locked) != 0;
    read.muted = record.U8(l.muted) != 0;
    read.forceTempo = record.U8(l.forceTempo) != 0;
    read.forceKey = record.U8(l.forceKey) != 0;
    read.forcedTempo = record.F64(l.forcedTempo);
    read.forcedKey = record.I32(l.forcedKey);
    read.CheckValues();
    *this = std::move(read);
    return ProjectReadError::None;
}

void AudioClipRecord::CheckValues() {
    position = std::fmax(FiniteOr(position, 0.0), 0.0);
    offset = std::fmax(FiniteOr(offset, 0.0), 0.0);
    length = std::fmax(FiniteOr(length, kMinimumLengthMs), kMinimumLengthMs);
    if (!std::isfinite(rate) || rate < kMinimumRate || rate > kMaximumRate)
        rate = 1.0;
    pitchShift = FiniteOr(pitchShift, 0.0);
    tempo = FiniteOr(tempo, 0.0);
    forcedTempo = FiniteOr(forcedTempo, 0.0);
    if (!std::isfinite(loopStart) || !std::isfinite(loopEnd) || loopStart < 0.0 ||
        loopStart >= loopEnd) {
        loopStart = 0.0;
        loopEnd = 0.0;
    }
}

void AudioClipRecord::FitLoopTo(double dataLengthMs) {
    if (loopEnd > dataLengthMs || loopStart > dataLengthMs)
        loopEnd = dataLengthMs;
    if (loopStart > dataLengthMs)
        loopStart = 0.0;
    if (loopStart >= loopEnd) {
        loopStart = 0.0;
        loopEnd = dataLengthMs;
    }
}

bool AudioClipRecord::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    if (riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size())))
        return true;
    Log("CAudioClip::Save failed on WriteSubChunk(FOURCC_AUDIO_CLIP) - returning false!");
    return false;
}

ProjectReadError AudioClipRecord::Read(CRIFF& riff) {
    CRecordBytes record(kSize);
    uint32_t bodySize = 0;
    ProjectReadError error =
        CRecordBytes::ReadChunk(riff, kChunkCode, 8, kSize, &record, &bodySize);
    if (error == ProjectReadError::ShortRead)
        Log("CAudioClip::Load - failed on FOURCC_AUDIO_CLIP (readSize != subChunk.chunkSize) - "
            "returning false!");
    if (error == ProjectReadError::None)
        error = FromBytes(record.Data(), std::min<size_t>(bodySize, kSize));
    if (error != ProjectReadError::None && error != ProjectReadError::ShortRead)
        Log("CAudioClip::Load - returning false!");
    return error;
}
