#include "project/CMidiFileReader.h"

#include <array>
#include <cstring>

namespace {

using Error = CMidiFileReader::Error;

// A read position inside one byte range; every read that would pass its end
// fails and leaves the position where it was.
class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    bool AtEnd() const { return m_pos >= m_size; }
    size_t Remaining() const { return m_size - m_pos; }
    size_t Position() const { return m_pos; }

    bool Byte(uint8_t& value) {
        if (AtEnd())
            return false;
        value = m_data[m_pos++];
        return true;
    }
    bool BigEndian(int bytes, uint32_t& value) {
        if (Remaining() < static_cast<size_t>(bytes))
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | m_data[m_pos++];
        return true;
    }
    bool Span(size_t size, const uint8_t*& out) {
        if (Remaining() < size)
            return false;
        out = m_data + m_pos;
        m_pos += size;
        return true;
    }
    // At most kMaxVarLenBytes bytes, the last one without the top bit.
    bool VarLen(uint32_t& value) {
        const size_t start = m_pos;
        uint32_t result = 0;
        for (int i = 0; i < CMidiFileReader::kMaxVarLenBytes; ++i) {
            uint8_t byte = 0;
            if (!Byte(byte))
                break;
            result = (result << 7) | (byte & 0x7Fu);
            if ((byte & 0x80u) == 0) {
                value = result;
                return true;
            }
        }
        m_pos = start;
        return false;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Text of a text-like meta event: up to its first zero byte.
std::string MetaText(const uint8_t* data, size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return std::string(reinterpret_cast<const char*>(data),
                       zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size);
}

int DataBytesOf(uint8_t status) {
    const uint8_t kind = status & 0xF0u;
    return kind == 0xC0u || kind == 0xD0u ? 1 : 2;
}

// Reads the events of one track chunk.
class TrackParser {
public:
    TrackParser(MidiFileContent& content, const uint8_t* data, size_t size)
        : m_content(content), m_cursor(data, size) {}

    Error Parse(MidiFileContent::Track& track) {
        while (!m_cursor.AtEnd()) {
            uint32_t delta = 0;
            uint8_t status = 0;
            if (!m_cursor.VarLen(delta)) {
                // A number running past four bytes is broken; one cut off
                // by the end of the track just ends the track.
                if (m_cursor.Remaining() >= CMidiFileReader::kMaxVarLenBytes)
                    return Error::BadEvent;
                break;
            }
            if (!m_cursor.Byte(status))
                break;
            m_ticks += delta;
            bool ended = false;
            Error error = Error::None;
            if (status == 0xF0u || status == 0xF7u)
                error = SkipSysex();
            else if (status == 0xFFu)
                error = ReadMeta(track, ended);
            else
                error = ReadMessage(track, status);
            if (error != Error::None)
                return error;
            if (ended)
                return Error::None;
        }
        track.lengthMs = TimeMs();
        return Error::None;
    }

private:
    double TimeMs() const { return static_cast<double>(m_ticks) * m_content.msPerTick; }

    Error SkipSysex() {
        uint32_t length = 0;
        const uint8_t* bytes = nullptr;
        if (!m_cursor.VarLen(length) || !m_cursor.Span(length, bytes))
            return Error::BadEvent;
        return Error::None;
    }

    Error ReadMeta(MidiFileContent::Track& track, bool& ended) {
        uint8_t type = 0;
        uint32_t length = 0;
        const uint8_t* data = nullptr;
        if (!m_cursor.Byte(type) || !m_cursor.VarLen(length) || !m_cursor.Span(length, data))
            return Error::BadEvent;
        switch (type) {
        case 0x01:
            AddMeta(MidiFileContent::Meta::kText, MetaText(data, length));
            break;
        case 0x02:
            AddMeta(MidiFileContent::Meta::kCopyright, MetaText(data, length));
            break;
        case 0x03:
            track.name = MetaText(data, length);
            break;
        case 0x06:
            AddMeta(MidiFileContent::Meta::kMarker, MetaText(data, length));
            break;
        case 0x07:
            AddMeta(MidiFileContent::Meta::kCuePoint, MetaText(data, length));
            break;
        case 0x20:
            if (length >= 1 && data[0] < CMidiFileReader::kChannels)
                track.channelPrefix = data[0];
            break;
        case 0x2F:
            track.lengthMs = TimeMs();
            ended = true;
            break;
        case 0x51:
            if (length >= 3)
                ReadTempo(data);
            break;
        case 0x58:
            if (length >= 2)
                ReadTimeSignature(data);
            break;
        default:
            break; // key signature and the rest: skipped by their length
        }
        return Error::None;
    }

    void AddMeta(MidiFileContent::Meta::Kind kind, std::string text) {
        MidiFileContent::Meta meta;
        meta.kind = kind;
        meta.timeMs = TimeMs();
        meta.text = std::move(text);
        m_content.metas.push_back(std::move(meta));
    }

    void ReadTempo(const uint8_t* data) {
        // SMPTE time is absolute: a tempo would only distort it.
        if (m_content.smpte)
            return;
        const uint32_t microseconds =
            (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
        double tempo = microseconds == 0 ? 120.0 : 60000000.0 / microseconds;
        // The tempo map takes 1 to 999 beats per minute.
        if (tempo > 999.0)
            tempo = 999.0;
        if (m_ticks == 0)
            m_content.initialTempo = tempo;
        MidiFileContent::Meta meta;
        meta.kind = MidiFileContent::Meta::kTempo;
        meta.timeMs = TimeMs();
        meta.tempo = tempo;
        m_content.metas.push_back(meta);
    }

    void ReadTimeSignature(const uint8_t* data) {
        // The tempo map takes denominators up to 64.
        if (data[0] == 0 || data[1] > 6)
            return;
        const int numerator = data[0];
        const int denominator = 1 << data[1];
        if (m_ticks == 0) {
            m_content.initialNumerator = numerator;
            m_content.initialDenominator = denominator;
        }
        MidiFileContent::Meta meta;
        meta.kind = MidiFileContent::Meta::kTimeSignature;
        meta.timeMs = TimeMs();
        meta.numerator = numerator;
        meta.denominator = denominator;
        m_content.metas.push_back(meta);
    }

    Error ReadMessage(MidiFileContent::Track& track, uint8_t first) {
        uint8_t data[2] = {0, 0};
        int have = 0;
        if (first & 0x80u) {
            m_runningStatus = first;
        } else {
            data[0] = first;
            have = 1;
        }
        // System common and real-time bytes have no place in a file.
        if ((m_runningStatus & 0x80u) == 0 || m_runningStatus >= 0xF0u)
            return Error::BadEvent;
        const int needed = DataBytesOf(m_runningStatus);
        for (; have < needed; ++have)
            if (!m_cursor.Byte(data[have]))
                return Error::BadEvent;
        if ((data[0] | data[1]) & 0x80u)
            return Error::BadEvent;
        MidiFileContent::Message message;
        message.message = m_runningStatus | (uint32_t{data[0]} << 8) | (uint32_t{data[1]} << 16);
        message.timeMs = TimeMs();
        if (track.firstChannel < 0)
            track.firstChannel = m_runningStatus & 0x0F;
        track.messages.push_back(message);
        return Error::None;
    }

    MidiFileContent& m_content;
    ByteCursor m_cursor;
    uint64_t m_ticks = 0;
    uint8_t m_runningStatus = 0;
};

// Milliseconds per tick of the header's division; 0 for a division that
// gives no time.
double MsPerTick(uint16_t division, bool& smpte) {
    smpte = (division & 0x8000u) != 0;
    if (!smpte)
        return division == 0 ? 0.0 : 500.0 / division;
    // Top byte: minus the frames per second (29 stands for 29.97 drop-frame);
    // low byte: ticks per frame.
    const int frames = -static_cast<int8_t>(division >> 8);
    const int ticksPerFrame = division & 0xFF;
    if (frames <= 0 || ticksPerFrame == 0)
        return 0.0;
    const double framesPerSecond = frames == 29 ? 30000.0 / 1001.0 : frames;
    return 1000.0 / (framesPerSecond * ticksPerFrame);
}

// A format-0 track as one track per channel that has messages.
void SplitByChannel(MidiFileContent::Track& whole, std::vector<MidiFileContent::Track>& out) {
    std::array<MidiFileContent::Track, CMidiFileReader::kChannels> channels;
    for (const MidiFileContent::Message& message : whole.messages)
        channels[message.message & 0x0Fu].messages.push_back(message);
    for (size_t channel = 0; channel < channels.size(); ++channel) {
        MidiFileContent::Track& track = channels[channel];
        if (track.messages.empty())
            continue;
        track.name = whole.name;
        track.channelPrefix = whole.channelPrefix;
        track.firstChannel = static_cast<int>(channel);
        track.lengthMs = whole.lengthMs;
        out.push_back(std::move(track));
    }
}

} // namespace

bool CMidiFileReader::IsMidiFile(const uint8_t* data, size_t size) {
    return data && size >= 8 && std::memcmp(data, "MThd", 4) == 0 && data[4] == 0 && data[5] == 0 &&
           data[6] == 0 && data[7] == 6;
}

CMidiFileReader::Error CMidiFileReader::Read(const uint8_t* data, size_t size,
                                             MidiFileContent& content) {
    content = MidiFileContent{};
    ByteCursor file(data, size);
    const uint8_t* magic = nullptr;
    uint32_t headerLength = 0, format = 0, tracks = 0, division = 0;
    if (!IsMidiFile(data, size) || !file.Span(4, magic) || !file.BigEndian(4, headerLength) ||
        !file.BigEndian(2, format) || !file.BigEndian(2, tracks) || !file.BigEndian(2, division))
        return Error::NotMidi;
    if (format > 1)
        return Error::UnsupportedFormat;
    content.format = static_cast<int>(format);
    content.declaredTracks = static_cast<int>(tracks);
    content.msPerTick = MsPerTick(static_cast<uint16_t>(division), content.smpte);
    if (content.msPerTick <= 0.0)
        return Error::NotMidi;
    const uint32_t toRead = format == 0 && tracks > 1 ? 1 : tracks;
    for (uint32_t index = 0; index < toRead; ++index) {
        const uint8_t* id = nullptr;
        const uint8_t* body = nullptr;
        uint32_t length = 0;
        if (!file.Span(4, id) || std::memcmp(id, "MTrk", 4) != 0 || !file.BigEndian(4, length) ||
            !file.Span(length, body))
            return Error::MissingTrack;
        MidiFileContent::Track track;
        const Error error = TrackParser(content, body, length).Parse(track);
        if (error != Error::None)
            return error;
        if (format == 0)
            SplitByChannel(track, content.tracks);
        else
            content.tracks.push_back(std::move(track));
    }
    return Error::None;
}

const char* CMidiFileReader::ErrorText(Error error) {
    switch (error) {
    case Error::None:
        return "no error";
    case Error::NotMidi:
        return "not a standard MIDI file";
    case Error::UnsupportedFormat:
        return "Error: Type 2 MIDI file (unloadable)";
    case Error::MissingTrack:
        return "a track chunk is missing or cut short";
    case Error::BadEvent:
        return "a MIDI event does not read";
    }
    return "unknown error";
}
