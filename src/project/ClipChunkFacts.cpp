#include "project/ClipChunkFacts.h"

#include "project/AudioClipRecord.h"
#include "project/CRecordBytes.h"
#include "project/ClipEnvelopeRecord.h"
#include "project/MidiClipRecord.h"

#include <cmath>
#include <cstring>

namespace {

constexpr size_t kVersionAt = 0;
constexpr size_t kAbsolutePathAt = 8;
// Where the versions of the audio clip record keep position, length and name.
struct AudioLayout {
    size_t position;
    bool integerPosition;
    size_t length;
    bool integerLength;
    size_t name;
};
constexpr AudioLayout kAudio10{532, true, 536, true, 584};
constexpr AudioLayout kAudio11{532, true, 536, false, 592};
constexpr AudioLayout kAudio12{536, false, 544, false, 600};

// The MIDI sound body: version, then position and (after the virtual start)
// length as doubles.
constexpr size_t kMidiPositionAt = 8;
constexpr size_t kMidiLengthAt = 24;
constexpr size_t kChunkHeaderSize = 8;

const AudioLayout* AudioLayoutOf(double version) {
    if (version == 1.0)
        return &kAudio10;
    if (version == 1.1)
        return &kAudio11;
    if (version == 1.2)
        return &kAudio12;
    return nullptr;
}

bool Holds(const std::vector<uint8_t>& body, size_t offset, size_t size) {
    return offset <= body.size() && size <= body.size() - offset;
}

// A time field that is there and makes sense on a timeline.
std::optional<double> TimeAt(const std::vector<uint8_t>& body, size_t offset, bool integer) {
    if (!Holds(body, offset, integer ? 4 : 8))
        return std::nullopt;
    const CRecordBytes bytes = CRecordBytes::FromBody(body.data(), body.size(), offset + 8);
    const double value = integer ? static_cast<double>(bytes.I32(offset)) : bytes.F64(offset);
    if (!std::isfinite(value) || value < 0.0)
        return std::nullopt;
    return value;
}

std::string TextAt(const std::vector<uint8_t>& body, size_t offset, size_t size) {
    if (offset >= body.size())
        return {};
    return CRecordBytes::FromBody(body.data(), body.size(), offset + size).Text(offset, size);
}

void ReadAudio(const std::vector<RawChunk>& chunks, ClipChunkFacts& facts) {
    const std::vector<uint8_t>& body = chunks.front().body;
    AudioClipRecord record;
    const bool envelopesIntact =
        chunks.size() >= 2 && chunks[1].code == ClipEnvelopeRecord::kChunkCode &&
        ClipEnvelopeRecord().FromBytes(chunks[1].body.data(), chunks[1].body.size()) ==
            ProjectReadError::None;
    facts.recordIntact =
        record.FromBytes(body.data(), body.size()) == ProjectReadError::None && envelopesIntact;
    facts.soundPath = TextAt(body, kAbsolutePathAt, AudioClipRecord::kPathSize);
    if (!Holds(body, kVersionAt, 8))
        return;
    const AudioLayout* layout =
        AudioLayoutOf(CRecordBytes::FromBody(body.data(), body.size(), 8).F64(kVersionAt));
    if (!layout)
        return;
    facts.name = TextAt(body, layout->name, AudioClipRecord::kNameSize);
    if (const auto length = TimeAt(body, layout->length, layout->integerLength))
        facts.lengthMs = *length;
    if (const auto position = TimeAt(body, layout->position, layout->integerPosition)) {
        facts.positionMs = *position;
        facts.position =
            ClipChunkFacts::PositionField{0, layout->position, layout->integerPosition};
    }
}

// The body offset of the data of the index-th chunk inside a LIST body.
std::optional<size_t> ListMemberAt(const std::vector<uint8_t>& list, int index) {
    size_t at = 4; // past the list type
    for (;; --index) {
        if (!Holds(list, at, kChunkHeaderSize))
            return std::nullopt;
        const size_t size = CRecordBytes::FromBody(list.data(), list.size(), at + 8).U32(at + 4);
        if (index == 0)
            return at + kChunkHeaderSize;
        at += kChunkHeaderSize + size + (size & 1);
    }
}

void ReadMidi(const std::vector<RawChunk>& chunks, ClipChunkFacts& facts) {
    const std::vector<uint8_t>& list = chunks.front().body;
    if (const auto record = ListMemberAt(list, 0))
        facts.name = TextAt(list, *record + 12, MidiClipRecord::kNameSize);
    const auto sound = ListMemberAt(list, 1);
    if (!sound || !Holds(list, *sound, 8))
        return;
    double version = 0.0;
    std::memcpy(&version, list.data() + *sound, sizeof version);
    if (version != 1.0)
        return;
    if (const auto length = TimeAt(list, *sound + kMidiLengthAt, false))
        facts.lengthMs = *length;
    if (const auto position = TimeAt(list, *sound + kMidiPositionAt, false)) {
        facts.positionMs = *position;
        facts.position = ClipChunkFacts::PositionField{0, *sound + kMidiPositionAt, false};
    }
}

} // namespace

ClipChunkFacts ClipChunkFacts::Of(const std::vector<RawChunk>& chunks) {
    ClipChunkFacts facts;
    if (chunks.empty())
        return facts;
    facts.midi = chunks.front().ListType() == MidiClipRecord::kListType;
    if (facts.midi)
        ReadMidi(chunks, facts);
    else if (chunks.front().code == AudioClipRecord::kChunkCode)
        ReadAudio(chunks, facts);
    return facts;
}

std::vector<RawChunk> ClipChunkFacts::WithPosition(std::vector<RawChunk> chunks,
                                                   const PositionField& field, double positionMs) {
    if (field.chunk >= chunks.size())
        return chunks;
    std::vector<uint8_t>& body = chunks[field.chunk].body;
    if (!Holds(body, field.offset, field.integer ? 4 : 8))
        return chunks;
    CRecordBytes bytes(field.integer ? 4 : 8);
    if (field.integer)
        bytes.PutI32(0, static_cast<int32_t>(std::lround(positionMs)));
    else
        bytes.PutF64(0, positionMs);
    std::memcpy(body.data() + field.offset, bytes.Data(), bytes.Size());
    return chunks;
}
