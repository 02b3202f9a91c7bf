// Rendering cost of the General MIDI instrument: a sixteen-channel song made
// here is played through the MIDI scheduler and the instrument offline, block
// by block as the mixer would, and the same song, written as a standard MIDI
// file, is rendered by the fluidsynth command-line program on the same
// SoundFont. Both report seconds of audio per second of work ("realtime").

#include "engine/CGMInstrument.h"
#include "engine/CMidiControllerList.h"
#include "engine/CMidiScheduler.h"
#include "engine/CMidiSound.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlockFrames = 512;
constexpr double kSongMs = 60000.0;
constexpr double kStepMs = 125.0; // a sixteenth note at 120 bpm
constexpr int kTicksPerQuarter = 480;
constexpr double kTicksPerMs = kTicksPerQuarter / 500.0;

struct SongNote {
    int channel;
    int pitch;
    int velocity;
    double startMs;
    double endMs;
};
struct SongController {
    int controller; // 0..127, or the program change kind
    int channel;
    int value;
    double timeMs;
};
struct Song {
    std::vector<SongNote> notes;
    std::vector<SongController> controllers;
};

// A minute of music on all sixteen channels: drums on channel 10, a bass
// line, chords, arpeggios and held pads on the others.
Song MakeSong() {
    Song song;
    const int programs[16] = {0, 4, 24, 32, 48, 52, 56, 61, 65, 0, 73, 80, 88, 11, 19, 46};
    const int chordRoots[4] = {48, 53, 55, 50};
    for (int channel = 0; channel < 16; ++channel) {
        song.controllers.push_back(
            {CMidiControllerList::kProgramChange, channel, programs[channel], 0.0});
        song.controllers.push_back({7, channel, 80, 0.0});
        song.controllers.push_back({10, channel, (channel * 37) % 128, 0.0});
    }
    const int steps = static_cast<int>(kSongMs / kStepMs);
    for (int step = 0; step < steps; ++step) {
        const double t = step * kStepMs;
        const int bar = step / 16;
        const int root = chordRoots[bar % 4];
        // Drums: kick, snare, closed hi-hat.
        if (step % 4 == 0)
            song.notes.push_back({9, 36, 110, t, t + 100});
        if (step % 8 == 4)
            song.notes.push_back({9, 38, 100, t, t + 100});
        song.notes.push_back({9, 42, 70, t, t + 60});
        // Bass on the beats.
        if (step % 4 == 0)
            song.notes.push_back({3, root - 12, 100, t, t + 450});
        // Chords on the first beat of a bar, held for the bar.
        if (step % 16 == 0) {
            for (int channel : {0, 4, 5, 15})
                for (int interval : {0, 4, 7})
                    song.notes.push_back({channel, root + interval + 12, 70, t, t + 1950});
            song.notes.push_back({12, root + 24, 60, t, t + 1990}); // pad
        }
        // Arpeggios and a lead.
        const int arp[4] = {0, 4, 7, 12};
        song.notes.push_back({1, root + 12 + arp[step % 4], 80, t, t + 120});
        if (step % 2 == 0)
            song.notes.push_back({2, root + 24 + arp[(step / 2) % 4], 75, t, t + 240});
        if (step % 8 == 0) {
            for (int channel : {6, 7, 8, 10, 11, 13, 14})
                song.notes.push_back(
                    {channel, root + 24 + arp[(step / 8 + channel) % 4], 80, t, t + 480});
        }
        if (step % 16 == 8) {
            for (int channel : {0, 1, 2, 4, 6, 8, 10, 11, 13, 14})
                song.controllers.push_back({CMidiControllerList::kPitchBend, channel, 8192, t});
            song.controllers.push_back({11, 12, 100 + (bar % 3) * 10, t});
        }
    }
    return song;
}

struct AtomRelease {
    void operator()(CAudioAtom* atom) const { CAudioAtom::DeleteAtom(atom); }
};
using MidiSoundPtr = std::unique_ptr<CMidiSound, AtomRelease>;

MidiSoundPtr MakeSound(const Song& song) {
    MidiSoundPtr sound(new CMidiSound());
    sound->SetMediaLength(kSongMs);
    sound->SetVirtualLength(kSongMs);
    for (const SongNote& note : song.notes) {
        TMidiSndNoteData data;
        data.channel = note.channel;
        data.pitch = note.pitch;
        data.velocity = note.velocity;
        data.start = note.startMs;
        data.end = note.endMs;
        sound->AddMidiNote(data, nullptr);
    }
    for (const SongController& c : song.controllers)
        sound->AddController(c.controller, c.value, c.timeMs, c.channel);
    return sound;
}

// ---- Standard MIDI file of the song (format 0, 120 bpm) -----------------------------------

struct FileEvent {
    uint32_t tick;
    int order; // note-offs, then controllers, then note-ons at one tick
    std::vector<uint8_t> bytes;
};

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value > 0);
    while (count > 1)
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

bool WriteMidiFile(const Song& song, const std::string& path) {
    auto tick = [](double ms) { return static_cast<uint32_t>(ms * kTicksPerMs + 0.5); };
    std::vector<FileEvent> events;
    for (const SongNote& n : song.notes) {
        const auto channel = static_cast<uint8_t>(n.channel);
        events.push_back({tick(n.startMs),
                          2,
                          {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(n.pitch),
                           static_cast<uint8_t>(n.velocity)}});
        events.push_back(
            {tick(n.endMs),
             0,
             {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(n.pitch), 0}});
    }
    for (const SongController& c : song.controllers) {
        const auto channel = static_cast<uint8_t>(c.channel);
        std::vector<uint8_t> bytes;
        if (c.controller == CMidiControllerList::kProgramChange)
            bytes = {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(c.value)};
        else if (c.controller == CMidiControllerList::kPitchBend)
            bytes = {static_cast<uint8_t>(0xE0 | channel), static_cast<uint8_t>(c.value & 0x7F),
                     static_cast<uint8_t>(c.value >> 7)};
        else
            bytes = {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(c.controller),
                     static_cast<uint8_t>(c.value)};
        events.push_back({tick(c.timeMs), 1, bytes});
    }
    std::stable_sort(events.begin(), events.end(), [](const FileEvent& a, const FileEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    std::vector<uint8_t> track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}; // 500000 us
    uint32_t previous = 0;
    for (const FileEvent& event : events) {
        PutVariableLength(track, event.tick - previous);
        previous = event.tick;
        track.insert(track.end(), event.bytes.begin(), event.bytes.end());
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    PutBigEndian(file, 6, 4);
    PutBigEndian(file, 0, 2);
    PutBigEndian(file, 1, 2);
    PutBigEndian(file, kTicksPerQuarter, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

std::filesystem::path WorkFolder() {
    const auto folder = std::filesystem::temp_directory_path() / "loomtone_gm_bench";
    std::filesystem::create_directories(folder);
    return folder;
}

// ---- Benchmarks ---------------------------------------------------------------------------

void BM_InstrumentRendersSong(benchmark::State& state) {
    const std::string soundFont = CGMInstrument::FindSoundFont("");
    if (soundFont.empty()) {
        state.SkipWithError("no General MIDI SoundFont installed");
        return;
    }
    MidiSoundPtr sound = MakeSound(MakeSong());
    CGMInstrument instrument;
    instrument.Prepare(kRate, kBlockFrames);
    const auto totalFrames = static_cast<int64_t>(kSongMs * kRate / 1000.0);
    std::vector<float> block(2 * kBlockFrames);
    for (auto _ : state) {
        CMidiScheduler scheduler;
        instrument.Reset();
        for (int64_t start = 0; start < totalFrames; start += kBlockFrames) {
            scheduler.ScheduleBlock(*sound, start, kBlockFrames, kRate);
            for (int i = 0; i < scheduler.NumEvents(); ++i)
                instrument.HandleMidiEvent(scheduler.Events()[i]);
            std::fill(block.begin(), block.end(), 0.0f);
            instrument.Process(block.data(), kBlockFrames);
            benchmark::DoNotOptimize(block.data());
        }
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * kSongMs / 1000.0;
    state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetLabel(soundFont);
}
BENCHMARK(BM_InstrumentRendersSong)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

void BM_FluidsynthProgramRendersSong(benchmark::State& state) {
    const std::string soundFont = CGMInstrument::FindSoundFont("");
    if (soundFont.empty() || std::system("command -v fluidsynth > /dev/null 2>&1") != 0) {
        state.SkipWithError("no SoundFont or no fluidsynth program installed");
        return;
    }
    const auto folder = WorkFolder();
    const std::string midi = (folder / "song.mid").string();
    const std::string wav = (folder / "out.wav").string();
    if (!WriteMidiFile(MakeSong(), midi)) {
        state.SkipWithError("could not write the MIDI file");
        return;
    }
    const std::string command = "fluidsynth -ni -F '" + wav + "' -r 44100 '" + soundFont + "' '" +
                                midi + "' > /dev/null 2>&1";
    double audioSeconds = 0.0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const int result = std::system(command.c_str());
        const auto end = std::chrono::steady_clock::now();
        if (result != 0) {
            state.SkipWithError("fluidsynth failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        // 16-bit stereo after a 44-byte header.
        audioSeconds += static_cast<double>(std::filesystem::file_size(wav) - 44) / 4.0 / kRate;
    }
    state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetLabel(soundFont);
}
BENCHMARK(BM_FluidsynthProgramRendersSong)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseManualTime();

} // namespace
