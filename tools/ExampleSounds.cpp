#include "ExampleSounds.h"

#include "ExampleMusic.h"
#include "engine/CBiquadFilter.h"
#include "engine/CConv2FileFormat.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace ExampleSounds {

namespace {

using namespace ExampleMusic;

constexpr double kTwoPi = 2.0 * M_PI;
constexpr int kStepsPerBar = 16;
// Loud enough to hear at once, with room left for the mix.
constexpr float kPeak = 0.8f;

size_t TotalFrames() {
    return static_cast<size_t>(std::lround(kLengthSeconds * kSampleRate));
}

size_t FrameAt(double seconds) {
    return static_cast<size_t>(std::lround(seconds * kSampleRate));
}

double StepSeconds(int bar, int step) {
    return bar * kBarSeconds + step * kBarSeconds / kStepsPerBar;
}

// Adds a sound into the mix at a time; what would reach past the end is cut,
// so the loop stays exactly eight bars long.
void MixAt(Samples& mix, const Samples& sound, double seconds, float gain) {
    const size_t at = FrameAt(seconds);
    for (size_t i = 0; i < sound.size() && at + i < mix.size(); ++i)
        mix[at + i] += sound[i] * gain;
}

void Normalise(Samples& samples) {
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::abs(s));
    if (peak > 0.0f)
        for (float& s : samples)
            s *= kPeak / peak;
}

void Filter(Samples& samples, CBiquadFilter::Kind kind, double cutoffHz) {
    CBiquadFilter filter;
    filter.SetCoefficients(kind, cutoffHz, 0.707, kSampleRate);
    filter.Process(samples.data(), static_cast<int>(samples.size()), 1);
}

// White noise from a fixed seed: the files come out the same on every run.
Samples Noise(size_t frames, std::minstd_rand& random) {
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    Samples noise(frames);
    for (float& s : noise)
        s = uniform(random);
    return noise;
}

Samples Kick() {
    Samples kick(FrameAt(0.4));
    double phase = 0.0;
    for (size_t i = 0; i < kick.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        // The pitch falls fast from 150 Hz to 48 Hz: the thump of a kick drum.
        phase += kTwoPi * (48.0 + 102.0 * std::exp(-t / 0.03)) / kSampleRate;
        kick[i] = static_cast<float>(std::sin(phase) * std::exp(-t / 0.18));
    }
    return kick;
}

Samples Snare(std::minstd_rand& random) {
    Samples snare = Noise(FrameAt(0.3), random);
    Filter(snare, CBiquadFilter::Kind::HighPass, 1500.0);
    for (size_t i = 0; i < snare.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double body = 0.6 * std::sin(kTwoPi * 185.0 * t) * std::exp(-t / 0.05);
        snare[i] = static_cast<float>(snare[i] * std::exp(-t / 0.09) + body);
    }
    return snare;
}

Samples HiHat(std::minstd_rand& random) {
    Samples hat = Noise(FrameAt(0.08), random);
    Filter(hat, CBiquadFilter::Kind::HighPass, 7000.0);
    for (size_t i = 0; i < hat.size(); ++i)
        hat[i] *= static_cast<float>(std::exp(-static_cast<double>(i) / kSampleRate / 0.02));
    return hat;
}

// A tone of summed harmonics falling off as 1/n (a saw wave without the
// aliasing of a true one), from startSeconds for lengthSeconds.
void AddSawTone(Samples& mix, double hz, int harmonics, double startSeconds, double lengthSeconds,
                float gain) {
    const size_t start = FrameAt(startSeconds);
    const size_t frames = FrameAt(lengthSeconds);
    for (int n = 1; n <= harmonics && hz * n < kSampleRate / 2.0; ++n) {
        const double step = kTwoPi * hz * n / kSampleRate;
        for (size_t i = 0; i < frames && start + i < mix.size(); ++i)
            mix[start + i] += static_cast<float>(gain * std::sin(step * i) / n);
    }
}

// Shapes a span of the mix with an attack and a release ramp.
void Envelope(Samples& mix, size_t start, size_t frames, double attackSeconds,
              double releaseSeconds) {
    const double attack = std::max(1.0, attackSeconds * kSampleRate);
    const double release = std::max(1.0, releaseSeconds * kSampleRate);
    for (size_t i = 0; i < frames && start + i < mix.size(); ++i) {
        const double left = static_cast<double>(frames - i);
        mix[start + i] *=
            static_cast<float>(std::min({1.0, static_cast<double>(i) / attack, left / release}));
    }
}

} // namespace

Samples Drums() {
    std::minstd_rand random(20240611);
    Samples mix(TotalFrames());
    const Samples kick = Kick();
    for (int bar = 0; bar < kBars; ++bar) {
        const bool lastBar = bar == kBars - 1;
        for (int step = 0; step < kStepsPerBar; ++step) {
            const double at = StepSeconds(bar, step);
            const bool kickStep = step == 0 || step == 8 || (bar % 2 == 1 && step == 10);
            if (kickStep)
                MixAt(mix, kick, at, 1.0f);
            // The last bar ends in a short snare fill into the next round.
            const bool fill = lastBar && step >= 13;
            if (step == 4 || step == 12 || fill)
                MixAt(mix, Snare(random), at, fill ? 0.45f : 0.6f);
            if (step % 2 == 0 && !fill)
                MixAt(mix, HiHat(random), at, step % 4 == 0 ? 0.3f : 0.2f);
            else if (step == 15 && !lastBar)
                MixAt(mix, HiHat(random), at, 0.12f);
        }
    }
    Normalise(mix);
    return mix;
}

Samples Bass() {
    // Eighths of each bar that sound, with the interval above the root.
    struct Hit {
        int eighth;
        int interval;
    };
    constexpr Hit kPattern[] = {{0, 0}, {2, 0}, {3, 12}, {5, 0}, {6, 7}};
    Samples mix(TotalFrames());
    const double eighth = kBeatSeconds / 2.0;
    for (int bar = 0; bar < kBars; ++bar) {
        for (const Hit& hit : kPattern) {
            const double start = bar * kBarSeconds + hit.eighth * eighth;
            const double length = eighth * 0.85;
            const double hz = PitchToHz(kChords[bar].bass + hit.interval);
            AddSawTone(mix, hz, 12, start, length, 0.5f);
            Envelope(mix, FrameAt(start), FrameAt(length), 0.004, 0.03);
        }
    }
    Filter(mix, CBiquadFilter::Kind::LowPass, 900.0);
    Normalise(mix);
    return mix;
}

Samples Pad() {
    Samples mix(TotalFrames());
    Samples chord(TotalFrames());
    for (int bar = 0; bar < kBars; ++bar) {
        std::fill(chord.begin(), chord.end(), 0.0f);
        const double start = bar * kBarSeconds;
        // Each chord rings a little into the next bar, under its swell.
        const double length = std::min(kBarSeconds + 0.3, kLengthSeconds - start);
        for (int voice : kChords[bar].voices) {
            // Two copies a few cents apart beat slowly against each other.
            for (double cents : {-6.0, 6.0})
                AddSawTone(chord, PitchToHz(voice + cents / 100.0), 10, start, length, 0.2f);
        }
        Envelope(chord, FrameAt(start), FrameAt(length), 0.35, 0.3);
        for (size_t i = 0; i < mix.size(); ++i)
            mix[i] += chord[i];
    }
    Filter(mix, CBiquadFilter::Kind::LowPass, 1800.0);
    Normalise(mix);
    return mix;
}

bool WriteOgg(const std::string& path, const Samples& samples, const std::string& title,
              std::string& error) {
    FormatDetails details;
    details.kind = FormatKind::Ogg;
    details.sampleRate = kSampleRate;
    details.channels = 1;
    // Plenty for synthesised sounds and keeps each file far below a megabyte.
    details.oggQuality = 3;
    details.tags.title = title;
    details.tags.album = "Example Song";
    details.tags.artist = "Loomtone";
    LogCapture log;
    CConv2FileFormat encoder;
    if (encoder.Open(path, details) &&
        encoder.Write(samples.data(), static_cast<int64_t>(samples.size())) && encoder.Close())
        return true;
    const std::vector<std::string> lines = log.Lines();
    error = lines.empty() ? "the OGG encoder failed" : lines.back();
    return false;
}

} // namespace ExampleSounds
