#pragma once

#include "engine/CAudioAtom.h"
#include "engine/CSoundData.h"

#include <cstdint>
#include <memory>
#include <string>

// Sound files made on the fly for the engine's tests, so that no test needs
// sample files, a sound card or the network.
namespace SoundFixtures {

// An empty folder under the tests' temporary folder, made afresh for one test.
std::string FreshDir(const std::string& name);

// Writes `seconds` of a sine tone with libsndfile and returns the path, or ""
// when libsndfile refuses. format is an SF_FORMAT_* major|subtype pair, e.g.
// SF_FORMAT_WAV | SF_FORMAT_PCM_16 or SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III.
// Every channel carries the same tone.
std::string WriteSineFile(const std::string& path, int format, int rate, int channels,
                          double seconds, double hz, double amplitude);

// Appends an "acid" chunk to a WAV file and patches the RIFF size.
// flags: 0x01 one-shot, 0x02 root note set, 0x04 stretch, 0x08 disk-based.
bool AppendAcidChunk(const std::string& wavPath, uint32_t flags, uint16_t rootNote, uint32_t beats,
                     float tempo);

// Overwrites a file with the given bytes.
bool WriteBytes(const std::string& path, const std::string& bytes);
// Cuts a file down to `size` bytes.
bool TruncateFile(const std::string& path, uint64_t size);

// The frequency of a (near) pure tone in channel 0 of interleaved samples,
// from its rising zero crossings; 0 when there are fewer than two.
double ToneFrequency(const float* interleaved, int64_t frames, int channels, int rate);
// Root mean square of channel `channel` of interleaved samples.
double Rms(const float* interleaved, int64_t frames, int channels, int channel);

// True when the named program can be run from PATH.
bool HaveProgram(const std::string& name);

// Sound data at the mixer's rate: a sine tone, the same in every channel.
std::shared_ptr<const CSoundData> SineData(double seconds, double hz, int channels = 1,
                                           double amplitude = 0.5);

// Holds the creator's reference on a reference-counted atom for a test's scope.
struct AtomRelease {
    void operator()(CAudioAtom* atom) const { CAudioAtom::DeleteAtom(atom); }
};
template <typename Atom> using AtomPtr = std::unique_ptr<Atom, AtomRelease>;

} // namespace SoundFixtures
