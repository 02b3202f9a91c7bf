#include "project/CMidiFileWriter.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// One event of a track before delta times are worked out.
struct TimedBytes {
    uint64_t tick = 0;
    int order = 0; // among events at the same tick
    std::vector<uint8_t> bytes;
};

uint64_t TickOf(double timeMs) {
    return timeMs > 0.0 ? static_cast<uint64_t>(std::llround(timeMs / CMidiFileWriter::kMsPerTick))
                        : 0;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// Delta times are 28-bit numbers: a longer pause is split by empty text events.
constexpr uint64_t kMaxDelta = 0x0FFFFFFF;

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value && count < 4);
    while (count-- > 0)
        out.push_back(static_cast<uint8_t>(groups[count] | (count ? 0x80 : 0)));
}

std::vector<uint8_t> MetaBytes(uint8_t type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out = {0xFF, type};
    PutVarLen(out, static_cast<uint32_t>(std::min<size_t>(data.size(), kMaxDelta)));
    out.insert(out.end(), data.begin(), data.begin() + std::min<size_t>(data.size(), kMaxDelta));
    return out;
}

std::vector<uint8_t> TextMeta(uint8_t type, const std::string& text) {
    return MetaBytes(type, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> MetaOf(const MidiFileContent::Meta& meta) {
    using Meta = MidiFileContent::Meta;
    switch (meta.kind) {
    case Meta::kText:
        return TextMeta(0x01, meta.text);
    case Meta::kCopyright:
        return TextMeta(0x02, meta.text);
    case Meta::kMarker:
        return TextMeta(0x06, meta.text);
    case Meta::kCuePoint:
        return TextMeta(0x07, meta.text);
    case Meta::kTempo: {
        const auto micros =
            static_cast<uint32_t>(std::clamp(std::lround(60000000.0 / meta.tempo), 1L, 0xFFFFFFL));
        return MetaBytes(0x51, {static_cast<uint8_t>(micros >> 16),
                                static_cast<uint8_t>(micros >> 8), static_cast<uint8_t>(micros)});
    }
    case Meta::kTimeSignature: {
        uint8_t power = 0;
        while (power < 6 && (1 << power) < meta.denominator)
            ++power;
        return MetaBytes(0x58,
                         {static_cast<uint8_t>(std::clamp(meta.numerator, 1, 255)), power, 24, 8});
    }
    }
    return {};
}

std::vector<uint8_t> MessageBytes(uint32_t message) {
    const auto status = static_cast<uint8_t>(message & 0xFF);
    const uint8_t kind = status & 0xF0;
    std::vector<uint8_t> out = {status, static_cast<uint8_t>((message >> 8) & 0x7F)};
    if (kind != 0xC0 && kind != 0xD0)
        out.push_back(static_cast<uint8_t>((message >> 16) & 0x7F));
    return out;
}

// Note-offs before other messages at the same tick, so that a note ending
// where the next one of its pitch starts stays two notes.
int MessageOrder(uint32_t message) {
    const uint32_t kind = message & 0xF0;
    const bool noteOff = kind == 0x80 || (kind == 0x90 && ((message >> 16) & 0x7F) == 0);
    return noteOff ? 1 : 2;
}

std::vector<uint8_t> TrackChunk(std::vector<TimedBytes> events) {
    std::stable_sort(events.begin(), events.end(), [](const TimedBytes& a, const TimedBytes& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    uint64_t now = 0;
    for (const TimedBytes& event : events) {
        uint64_t delta = event.tick - now;
        while (delta > kMaxDelta) {
            PutVarLen(body, static_cast<uint32_t>(kMaxDelta));
            const std::vector<uint8_t> filler = MetaBytes(0x01, {});
            body.insert(body.end(), filler.begin(), filler.end());
            delta -= kMaxDelta;
        }
        PutVarLen(body, static_cast<uint32_t>(delta));
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        now = event.tick;
    }
    PutVarLen(body, 0);
    const std::vector<uint8_t> end = MetaBytes(0x2F, {});
    body.insert(body.end(), end.begin(), end.end());
    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
    PutBigEndian(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<TimedBytes> ProjectEvents(const MidiFileContent& content) {
    std::vector<TimedBytes> events;
    MidiFileContent::Meta tempo;
    tempo.kind = MidiFileContent::Meta::kTempo;
    tempo.tempo = content.initialTempo;
    events.push_back({0, 0, MetaOf(tempo)});
    MidiFileContent::Meta signature;
    signature.kind = MidiFileContent::Meta::kTimeSignature;
    signature.numerator = content.initialNumerator;
    signature.denominator = content.initialDenominator;
    events.push_back({0, 0, MetaOf(signature)});
    for (const MidiFileContent::Meta& meta : content.metas)
        events.push_back({TickOf(meta.timeMs), 1, MetaOf(meta)});
    return events;
}

std::vector<TimedBytes> TrackEvents(const MidiFileContent::Track& track) {
    std::vector<TimedBytes> events;
    if (!track.name.empty())
        events.push_back({0, 0, TextMeta(0x03, track.name)});
    if (track.channelPrefix >= 0 && track.channelPrefix < 16)
        events.push_back({0, 0, MetaBytes(0x20, {static_cast<uint8_t>(track.channelPrefix)})});
    for (const MidiFileContent::Message& message : track.messages)
        events.push_back(
            {TickOf(message.timeMs), MessageOrder(message.message), MessageBytes(message.message)});
    return events;
}

} // namespace

std::vector<uint8_t> CMidiFileWriter::Write(const MidiFileContent& content) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
    PutBigEndian(out, 6, 4);
    PutBigEndian(out, 1, 2);
    PutBigEndian(out, static_cast<uint32_t>(std::min<size_t>(content.tracks.size() + 1, 0xFFFF)),
                 2);
    PutBigEndian(out, kDivision, 2);
    const std::vector<uint8_t> first = TrackChunk(ProjectEvents(content));
    out.insert(out.end(), first.begin(), first.end());
    for (size_t index = 0; index + 1 < 0xFFFF && index < content.tracks.size(); ++index) {
        const std::vector<uint8_t> chunk = TrackChunk(TrackEvents(content.tracks[index]));
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}
