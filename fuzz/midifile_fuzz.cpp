// Feeds arbitrary bytes to the Standard MIDI file reader. Whatever it reads
// must be sound: a bounded number of tracks, messages with a status byte and
// clean data bytes, finite times from 0 on, and events a MIDI sound takes.
#include "engine/CMidiSound.h"
#include "project/CMidiFileReader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckTrack(const MidiFileContent::Track& track) {
    Check(std::isfinite(track.lengthMs) && track.lengthMs >= 0.0);
    Check(track.channelPrefix >= -1 && track.channelPrefix < CMidiFileReader::kChannels);
    auto* sound = new CMidiSound;
    double last = 0.0;
    for (const MidiFileContent::Message& message : track.messages) {
        const uint32_t status = message.message & 0xFFu;
        Check(status >= 0x80u && status < 0xF0u);
        Check((message.message & 0xFF808000u) == 0);
        Check(std::isfinite(message.timeMs) && message.timeMs >= last);
        last = message.timeMs;
        sound->AppendMidiEvent(message.message, message.timeMs);
    }
    sound->SortAllEvents(false);
    CAudioAtom::DeleteAtom(sound);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiFileContent content;
    CMidiFileReader::Read(data, size, content);
    Check(content.tracks.size() <=
          static_cast<size_t>(content.declaredTracks) * CMidiFileReader::kChannels);
    for (const MidiFileContent::Track& track : content.tracks)
        CheckTrack(track);
    for (const MidiFileContent::Meta& meta : content.metas) {
        Check(std::isfinite(meta.timeMs) && meta.timeMs >= 0.0);
        Check(meta.tempo >= 1.0 && meta.tempo <= 999.0);
        Check(meta.denominator >= 1 && meta.denominator <= 64);
    }
    return 0;
}
