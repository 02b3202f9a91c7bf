#include "engine/MidiSoundBody.h"

#include "engine/TempoMap.h"

#include <cmath>
#include <cstring>
#include <set>

namespace {

constexpr size_t kNoteRecordSize = 40;
constexpr size_t kControllerEventSize = 16;

class BodyWriter {
public:
    void U8(uint8_t value) { m_bytes.push_back(value); }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i)
            U8(static_cast<uint8_t>(value >> (8 * i)));
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void F64(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i)
            U8(static_cast<uint8_t>(bits >> (8 * i)));
    }
    std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// Reads little-endian values; once a read would pass the end, every later
// read fails too and yields 0.
class BodyReader {
public:
    BodyReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    size_t Left() const { return m_ok ? m_size - m_pos : 0; }

    uint8_t U8() {
        if (!Need(1))
            return 0;
        return m_data[m_pos++];
    }
    uint32_t U32() {
        if (!Need(4))
            return 0;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(m_data[m_pos++]) << (8 * i);
        return value;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    double F64() {
        if (!Need(8))
            return 0.0;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<uint64_t>(m_data[m_pos++]) << (8 * i);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A count of records of the given size that the rest of the body can hold.
    bool Count(size_t recordSize, uint32_t* count) {
        *count = U32();
        if (m_ok && *count > Left() / recordSize)
            m_ok = false;
        return m_ok;
    }

private:
    bool Need(size_t bytes) {
        if (m_ok && m_size - m_pos < bytes)
            m_ok = false;
        return m_ok;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool IsTime(double value) {
    return std::isfinite(value) && value >= 0.0;
}

bool IsValidSettings(const MidiSoundContent& c) {
    const bool timesOk = IsTime(c.position) && IsTime(c.virtualStart) && IsTime(c.length) &&
                         IsTime(c.mediaLength) && IsTime(c.loopStart) && IsTime(c.loopEnd);
    const bool rateOk = std::isfinite(c.rate) && c.rate > 0.0;
    const bool tempoOk = c.tempo == 0.0 || (c.tempo >= 1.0 && c.tempo <= 999.0);
    const bool signatureUnknown = c.timeSigNumerator == 0 && c.timeSigDenominator == 0;
    const bool signatureOk =
        signatureUnknown ||
        (c.timeSigNumerator >= 1 && c.timeSigDenominator >= 1 && c.timeSigDenominator <= 64 &&
         (c.timeSigDenominator & (c.timeSigDenominator - 1)) == 0);
    return timesOk && rateOk && tempoOk && signatureOk &&
           c.transpose >= -MidiSoundBody::kMaxTranspose &&
           c.transpose <= MidiSoundBody::kMaxTranspose && TempoMap::IsValidKey(c.key) &&
           c.trackNumber >= -1;
}

bool AreValidControllers(const std::vector<MidiSoundContent::Controller>& controllers) {
    std::set<int> seen;
    for (const auto& list : controllers) {
        if (!CMidiControllerList::IsValidController(list.controller) ||
            !seen.insert(list.controller).second)
            return false;
        for (const MidiControllerEvent& event : list.events) {
            if (!CMidiControllerList::IsValidEvent(list.controller, event))
                return false;
        }
    }
    return true;
}

void WriteNote(BodyWriter& out, const TMidiSndNoteData& note) {
    out.I32(note.channel);
    out.I32(0);
    out.F64(note.start);
    out.F64(note.end);
    out.I32(note.pitch);
    out.I32(note.velocity);
    out.I32(note.releaseVelocity);
    out.I32(0);
}

TMidiSndNoteData ReadNote(BodyReader& in) {
    TMidiSndNoteData note;
    note.channel = in.I32();
    in.I32();
    note.start = in.F64();
    note.end = in.F64();
    note.pitch = in.I32();
    note.velocity = in.I32();
    note.releaseVelocity = in.I32();
    in.I32();
    return note;
}

void ReadSettings(BodyReader& in, MidiSoundContent* c) {
    c->position = in.F64();
    c->virtualStart = in.F64();
    c->length = in.F64();
    c->mediaLength = in.F64();
    c->loopStart = in.F64();
    c->loopEnd = in.F64();
    c->rate = in.F64();
    c->tempo = in.F64();
    c->transpose = in.I32();
    c->key = in.I32();
    c->trackNumber = in.I32();
    c->timeSigNumerator = in.I32();
    c->timeSigDenominator = in.I32();
    c->muted = in.U8() != 0;
    c->obeyTempoMap = in.U8() != 0;
    c->obeyKeyMap = in.U8() != 0;
    in.U8();
}

bool ReadNotes(BodyReader& in, std::vector<TMidiSndNoteData>* notes) {
    uint32_t count = 0;
    if (!in.Count(kNoteRecordSize, &count))
        return false;
    notes->reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        notes->push_back(ReadNote(in));
    return in.Ok();
}

bool ReadControllers(BodyReader& in, std::vector<MidiSoundContent::Controller>* controllers) {
    uint32_t lists = 0;
    // A list takes at least its 8-byte header.
    if (!in.Count(8, &lists))
        return false;
    for (uint32_t i = 0; i < lists; ++i) {
        MidiSoundContent::Controller list;
        list.controller = in.I32();
        uint32_t count = 0;
        if (!in.Count(kControllerEventSize, &count))
            return false;
        list.events.reserve(count);
        for (uint32_t e = 0; e < count; ++e) {
            MidiControllerEvent event;
            event.time = in.F64();
            event.value = in.I32();
            event.channel = in.I32();
            list.events.push_back(event);
        }
        controllers->push_back(std::move(list));
    }
    return in.Ok();
}

} // namespace

namespace MidiSoundBody {

std::vector<uint8_t> Write(const MidiSoundContent& c) {
    BodyWriter out;
    out.F64(kVersion);
    for (double value : {c.position, c.virtualStart, c.length, c.mediaLength, c.loopStart,
                         c.loopEnd, c.rate, c.tempo})
        out.F64(value);
    for (int32_t value :
         {c.transpose, c.key, c.trackNumber, c.timeSigNumerator, c.timeSigDenominator})
        out.I32(value);
    out.U8(c.muted ? 1 : 0);
    out.U8(c.obeyTempoMap ? 1 : 0);
    out.U8(c.obeyKeyMap ? 1 : 0);
    out.U8(0);
    out.U32(static_cast<uint32_t>(c.notes.size()));
    for (const TMidiSndNoteData& note : c.notes)
        WriteNote(out, note);
    out.U32(static_cast<uint32_t>(c.controllers.size()));
    for (const auto& list : c.controllers) {
        out.I32(list.controller);
        out.U32(static_cast<uint32_t>(list.events.size()));
        for (const MidiControllerEvent& event : list.events) {
            out.F64(event.time);
            out.I32(event.value);
            out.I32(event.channel);
        }
    }
    return out.Take();
}

bool Read(const uint8_t* data, size_t size, MidiSoundContent* content) {
    BodyReader in(data, size);
    if (in.F64() != kVersion || !in.Ok())
        return false;
    MidiSoundContent read;
    ReadSettings(in, &read);
    if (!in.Ok() || !ReadNotes(in, &read.notes) || !ReadControllers(in, &read.controllers))
        return false;
    if (in.Left() != 0 || !IsValidContent(read))
        return false;
    *content = std::move(read);
    return true;
}

bool IsValidContent(const MidiSoundContent& content) {
    if (!IsValidSettings(content))
        return false;
    for (const TMidiSndNoteData& note : content.notes) {
        if (!MidiNote::IsValidNoteData(note))
            return false;
    }
    return AreValidControllers(content.controllers);
}

} // namespace MidiSoundBody
