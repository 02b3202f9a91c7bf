#pragma once

#include <string>
#include <vector>

// The example project's audio: a drum loop, a bass line and a chord pad, each
// the whole eight bars of ExampleMusic, synthesised here from sine waves,
// summed harmonics and filtered noise, mono at 44.1 kHz.
namespace ExampleSounds {

constexpr int kSampleRate = 44100;

using Samples = std::vector<float>;

// Kick (a falling sine), snare (noise and a tone) and hi-hat (high noise).
Samples Drums();
// A filtered saw-like tone playing the chord roots in eighths.
Samples Bass();
// Three slowly swelling, slightly detuned voices per chord.
Samples Pad();

// Writes the samples as a mono OGG Vorbis file titled `title`; false with
// the reason in error when the encoder refuses.
bool WriteOgg(const std::string& path, const Samples& samples, const std::string& title,
              std::string& error);

} // namespace ExampleSounds
