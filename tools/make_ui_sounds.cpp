// Synthesises the short sounds the default skin names (the end of a CD burn)
// as 16-bit mono WAV files at 44.1 kHz into the folder given on the command
// line, normally data/sounds.
//
//   make_ui_sounds <folder>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Note {
    double startSeconds;
    double hertz;
    // Strength of the octave and of the twelfth above, for the colour.
    double octave;
    double twelfth;
    // Time for the note to fall to a third of its level.
    double decaySeconds;
};

// Decaying notes summed, with a short rise against clicks and a fade to
// silence at the end.
std::vector<float> Synthesise(const std::vector<Note>& notes, double seconds, double peak) {
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<double> mix(frames, 0.0);
    for (const Note& note : notes) {
        const auto first = static_cast<size_t>(note.startSeconds * kRate);
        for (size_t frame = first; frame < frames; ++frame) {
            const double t = static_cast<double>(frame - first) / kRate;
            const double rise = std::min(1.0, t / 0.005);
            const double level = rise * std::exp(-t / note.decaySeconds);
            const double phase = 2.0 * kPi * note.hertz * t;
            mix[frame] += level * (std::sin(phase) + note.octave * std::sin(2.0 * phase) +
                                   note.twelfth * std::sin(3.0 * phase));
        }
    }
    double loudest = 0.0;
    for (const double sample : mix)
        loudest = std::max(loudest, std::abs(sample));
    const auto fade = static_cast<size_t>(0.05 * kRate);
    std::vector<float> samples(frames);
    for (size_t frame = 0; frame < frames; ++frame) {
        const double tail = std::min(1.0, static_cast<double>(frames - frame) / fade);
        samples[frame] = static_cast<float>(mix[frame] / loudest * peak * tail);
    }
    return samples;
}

bool Write(const std::string& path, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "make_ui_sounds: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    const auto count = static_cast<sf_count_t>(samples.size());
    const bool written = sf_writef_float(file, samples.data(), count) == count;
    sf_close(file);
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ui_sounds <folder>\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    // Done: two bright notes rising a fifth, C6 then G6.
    const std::vector<float> success =
        Synthesise({{0.0, 1046.50, 0.25, 0.0, 0.18}, {0.12, 1567.98, 0.25, 0.0, 0.25}}, 0.7, 0.5);
    // Failed: two duller notes falling a fourth, E4 then B3.
    const std::vector<float> failure =
        Synthesise({{0.0, 329.63, 0.3, 0.35, 0.20}, {0.2, 246.94, 0.3, 0.35, 0.30}}, 0.8, 0.5);
    const bool written =
        Write(folder + "burn-success.wav", success) && Write(folder + "burn-failure.wav", failure);
    return written ? 0 : 1;
}
