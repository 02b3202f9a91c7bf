// Cost of many instrument tracks: 300 General MIDI instruments, each made and
// prepared as an instrument track's chain does at the mixer's rate, then a
// second of playback of a chord on every one. Reported: the time, the
// memory the process gained (resident; the SoundFont's own share apart) and
// the threads it runs.

#include "engine/CGMInstrument.h"
#include "engine/CSharedSoundFont.h"
#include "engine/WaveFormat.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kInstruments = 300;
constexpr int kBlockFrames = 512;

// A number from /proc/self/status ("VmRSS:", "Threads:"), 0 when absent.
long StatusValue(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == name && status >> value)
            return value;
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

void BM_InstrumentTracks(benchmark::State& state) {
    if (CGMInstrument::FindSoundFont("").empty()) {
        state.SkipWithError("no General MIDI SoundFont installed");
        return;
    }
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const long rssBefore = StatusValue("VmRSS:");
        // Loaded once for all of them: its share of the memory is told apart.
        const auto font = CSharedSoundFont::Acquire(CGMInstrument::FindSoundFont(""));
        state.counters["font_MB"] = static_cast<double>(StatusValue("VmRSS:") - rssBefore) / 1024.0;
        std::vector<std::unique_ptr<CGMInstrument>> instruments;
        for (int i = 0; i < count; ++i) {
            instruments.push_back(std::make_unique<CGMInstrument>());
            instruments.back()->Prepare(kMixerSampleRate, kBlockFrames);
        }
        std::vector<float> block(kBlockFrames * 2);
        for (auto& instrument : instruments)
            for (uint8_t pitch : {60, 64, 67}) {
                EffectMidiEvent noteOn;
                noteOn.status = 0x90;
                noteOn.data1 = pitch;
                noteOn.data2 = 100;
                instrument->HandleMidiEvent(noteOn);
            }
        for (int b = 0; b < kMixerSampleRate / kBlockFrames; ++b)
            for (auto& instrument : instruments)
                instrument->Process(block.data(), kBlockFrames);
        state.counters["rss_MB"] = static_cast<double>(StatusValue("VmRSS:") - rssBefore) / 1024.0;
        state.counters["threads"] = static_cast<double>(StatusValue("Threads:"));
    }
}
BENCHMARK(BM_InstrumentTracks)->Arg(kInstruments)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
