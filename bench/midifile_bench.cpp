// Standard MIDI files: `loomtone --render` of a generated sixteen-track
// General MIDI song of a minute against the fluidsynth program rendering the
// same file with the same SoundFont, as it comes and with voices enough for
// every note (the times and both ratios), and the import of a file of about
// a megabyte (time, and the heap the imported notes hold).

#include "engine/CGMInstrument.h"
#include "engine/CMidiSound.h"
#include "project/CMidiFileReader.h"
#include "project/CMidiFileWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

const std::string kProgram = std::string(LOOMTONE_BINARY_DIR) + "/loomtone";

std::filesystem::path WorkFolder() {
    const auto folder = std::filesystem::temp_directory_path() / "loomtone-midifile-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

uint32_t Message(int status, int first, int second) {
    return static_cast<uint32_t>(status) | (static_cast<uint32_t>(first) << 8) |
           (static_cast<uint32_t>(second) << 16);
}

// Sixteen channels, each with its own program and a note every stepMs for
// songMs: drums on channel 10, the others walking through a scale.
MidiFileContent MakeSong(double songMs, double stepMs) {
    MidiFileContent song;
    const int programs[16] = {0, 4, 24, 32, 48, 52, 56, 61, 65, 0, 73, 80, 88, 11, 19, 46};
    const int scale[8] = {0, 2, 4, 5, 7, 9, 11, 12};
    const int drums[4] = {36, 42, 38, 42};
    for (int channel = 0; channel < 16; ++channel) {
        MidiFileContent::Track track;
        track.name = "Channel " + std::to_string(channel + 1);
        track.messages.push_back({Message(0xC0 | channel, programs[channel], 0), 0.0});
        track.messages.push_back({Message(0xB0 | channel, 7, 90), 0.0});
        int step = 0;
        for (double t = channel * 3.0; t + stepMs < songMs; t += stepMs, ++step) {
            const int pitch = channel == 9 ? drums[step % 4]
                                           : 36 + (channel % 4) * 12 + scale[(step + channel) % 8];
            const int velocity = 60 + (step * 7 + channel * 13) % 60;
            track.messages.push_back({Message(0x90 | channel, pitch, velocity), t});
            track.messages.push_back({Message(0x80 | channel, pitch, 0), t + stepMs * 0.9});
        }
        song.tracks.push_back(std::move(track));
    }
    return song;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    return static_cast<bool>(
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
}

double SecondsOf(const std::string& command) {
    const auto begin = std::chrono::steady_clock::now();
    const int result = std::system(command.c_str());
    const auto end = std::chrono::steady_clock::now();
    return result == 0 ? std::chrono::duration<double>(end - begin).count() : -1.0;
}

void BM_RenderOfMidiFileAgainstFluidsynth(benchmark::State& state) {
    const std::string soundFont = CGMInstrument::FindSoundFont("");
    if (soundFont.empty() || std::system("command -v fluidsynth > /dev/null 2>&1") != 0 ||
        !std::filesystem::exists(kProgram)) {
        state.SkipWithError("no SoundFont, no fluidsynth program or no loomtone built");
        return;
    }
    const auto folder = WorkFolder();
    const std::string midi = (folder / "song.mid").string();
    const MidiFileContent song = MakeSong(60000.0, 100.0);
    size_t notes = 0;
    for (const MidiFileContent::Track& track : song.tracks)
        notes += (track.messages.size() - 2) / 2;
    if (!WriteFile(midi, CMidiFileWriter::Write(song))) {
        state.SkipWithError("could not write the MIDI file");
        return;
    }
    const std::string fluid = "fluidsynth -ni -F '" + (folder / "fluid.wav").string() +
                              "' -r 44100 '" + soundFont + "' '" + midi + "' > /dev/null 2>&1";
    // The program's one synthesizer has 256 voices for all sixteen channels
    // and ends the oldest notes when they run out; each of our tracks has an
    // instrument of its own with 256 voices, so none ends early. The same
    // program with voices enough for every note does the work we do.
    const std::string fluidAllVoices =
        "fluidsynth -ni -o synth.polyphony=" + std::to_string(16 * 256) + " -F '" +
        (folder / "fluid-all.wav").string() + "' -r 44100 '" + soundFont + "' '" + midi +
        "' > /dev/null 2>&1";
    const std::string ours = std::string(CGMInstrument::kSoundFontVariable) + "='" + soundFont +
                             "' '" + kProgram + "' --render '" + midi + "' '" +
                             (folder / "loomtone.wav").string() + "' > /dev/null 2>&1";
    double fluidTotal = 0.0, fluidAllTotal = 0.0, oursTotal = 0.0;
    for (auto _ : state) {
        const double fluidSeconds = SecondsOf(fluid);
        const double fluidAllSeconds = SecondsOf(fluidAllVoices);
        const double ourSeconds = SecondsOf(ours);
        if (fluidSeconds < 0.0 || fluidAllSeconds < 0.0 || ourSeconds < 0.0) {
            state.SkipWithError("a render failed");
            return;
        }
        fluidTotal += fluidSeconds;
        fluidAllTotal += fluidAllSeconds;
        oursTotal += ourSeconds;
        state.SetIterationTime(ourSeconds);
    }
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["loomtone_s"] = oursTotal / static_cast<double>(state.iterations());
    state.counters["fluidsynth_s"] = fluidTotal / static_cast<double>(state.iterations());
    state.counters["fluidsynth_all_voices_s"] =
        fluidAllTotal / static_cast<double>(state.iterations());
    state.counters["ratio"] = oursTotal / fluidTotal;
    state.counters["ratio_all_voices"] = oursTotal / fluidAllTotal;
    state.SetLabel(soundFont);
}
BENCHMARK(BM_RenderOfMidiFileAgainstFluidsynth)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseManualTime();

// Bytes the heap hands out right now.
size_t HeapInUse() {
    return mallinfo2().uordblks;
}

void BM_ImportOfAMegabyteMidiFile(benchmark::State& state) {
    // About 100,000 notes: sixteen channels of a note every 80 ms for 8.5 minutes.
    const std::vector<uint8_t> bytes = CMidiFileWriter::Write(MakeSong(510000.0, 80.0));
    size_t notes = 0;
    size_t peakBytes = 0;
    for (auto _ : state) {
        // The whole import is held at once, as a project holds its clips, before it is let go.
        const size_t before = HeapInUse();
        MidiFileContent content;
        CMidiFileReader::Read(bytes.data(), bytes.size(), content);
        std::vector<CMidiSound*> sounds;
        notes = 0;
        for (const MidiFileContent::Track& track : content.tracks) {
            auto* sound = new CMidiSound;
            for (const MidiFileContent::Message& message : track.messages)
                sound->AppendMidiEvent(message.message, message.timeMs);
            sound->SortAllEvents(false);
            notes += static_cast<size_t>(sound->NumNotes());
            sounds.push_back(sound);
        }
        peakBytes = std::max(peakBytes, HeapInUse() - before);
        for (CMidiSound* sound : sounds)
            CAudioAtom::DeleteAtom(sound);
    }
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["held_MB"] = static_cast<double>(peakBytes) / 1e6;
}
BENCHMARK(BM_ImportOfAMegabyteMidiFile)->Unit(benchmark::kMillisecond);

} // namespace
