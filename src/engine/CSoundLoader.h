#pragma once

#include "engine/CSoundData.h"

#include <cstdint>
#include <memory>
#include <string>

class CSoundDecoder;

// What decoding a sound file yields, besides its samples.
struct LoadedSound {
    std::shared_ptr<const CSoundData> data; // at the mixer's rate; null on failure
    int sourceRate = 0;                     // the file's own sample rate
    int sourceChannels = 0;
    // From a WAV's ACID chunk; all 0 when the file carries none ("not analysed").
    double tempo = 0.0;
    int rootNote = 0; // MIDI note number, 0 when unknown
    int beatCount = 0;
    double beatLengthMs = 0.0;
    std::string error; // why it failed, for the log
    // What is wrong with a file that is played as far as it holds (a WAV
    // cut short, a stream with damaged parts); empty for a sound in order.
    std::string damage;
    // Where the decoded frames live: the cache file and the waveform peak
    // file beside it. Both empty when the data is held in memory.
    std::string cachePath;
    std::string peakPath;
    bool fromCache = false; // reused a cache entry without decoding
};

// Opens sound files for playback. A file libsndfile reads with one or two
// channels at the mixer's rate (WAV, AIFF, FLAC, CAF...) is read from the
// file itself as it plays. Any other is decoded (libsndfile first, FFmpeg for
// what it cannot open), converted once to the mixer's rate and channel layout
// (mono stays mono, more than two channels are folded to stereo), and kept as
// a raw float cache file in the temporary sound folder, mapped for playback. A
// cache entry is reused while the source file's size and modification time
// are unchanged.
class CSoundLoader {
public:
    // The folder for cache files; created when missing.
    static void SetTempSndPath(const std::string& folder);
    static std::string GetTempSndPath();

    static LoadedSound Load(const std::string& path, int mixerRate);

    // How many times a file has been decoded since start-up (cache hits do not count).
    static int64_t DecodeCount();

    static constexpr int kMinMixerRate = 8000;
    static constexpr int kMaxMixerRate = 384000;
    // Without a usable cache folder a sound is held in memory, up to this many samples.
    static constexpr int64_t kMaxMemorySamples = int64_t{1} << 28;

private:
    class Sink;
    // The file as it is, when it can be read as it plays; no data otherwise.
    static LoadedSound StreamSource(const std::string& path, int mixerRate, std::string& error);
    static bool ReadWaveChunks(const std::string& path, LoadedSound& sound, std::string& error);
    static std::unique_ptr<CSoundDecoder> OpenDecoder(const std::string& path, std::string& error);
    static bool Decode(const std::string& path, int mixerRate, Sink& sink, LoadedSound& sound,
                       std::string& error);
};
