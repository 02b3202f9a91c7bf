#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CPcm16WavFile;

// Decoded audio ready to mix: interleaved 32-bit float frames at the mixer's
// rate. Immutable once made, so any thread reads it without a lock; a sound
// swaps in a new CSoundData (through a shared_ptr) when its rate or pitch
// changes. The samples are held in memory, mapped from a cache file, or read
// on demand from a sound file that is already at the mixer's rate.
//
// Only memory and mapped data have Samples(); every kind answers ReadFrames,
// which reads from the file where it must, so it is never for the audio thread.
class CSoundData {
public:
    // Holds the given samples in memory. interleaved.size() must be a multiple
    // of channels; channels is 1 or 2.
    static std::shared_ptr<const CSoundData> FromSamples(std::vector<float> interleaved,
                                                         int channels, int rate);
    // Maps a raw float cache file read-only. Null when it cannot be mapped or
    // its size is not a whole number of frames.
    static std::shared_ptr<const CSoundData> MapFile(const std::string& path, int channels,
                                                     int rate);
    // Reads a sound file through libsndfile as it plays, without a copy:
    // null unless libsndfile opens it with one or two channels at exactly
    // this rate, in a format it seeks in quickly (not Ogg or MP3).
    static std::shared_ptr<const CSoundData> StreamFile(const std::string& path, int rate);
    ~CSoundData();
    CSoundData(const CSoundData&) = delete;
    CSoundData& operator=(const CSoundData&) = delete;

    // Null for data read from a sound file.
    const float* Samples() const { return m_samples; }
    int64_t Frames() const { return m_frames; }
    int Channels() const { return m_channels; }
    int Rate() const { return m_rate; }
    double LengthMs() const { return m_rate > 0 ? m_frames * 1000.0 / m_rate : 0.0; }
    bool IsStreamed() const { return m_file != nullptr || m_pcm16 != nullptr; }

    // Copies count frames from `frame` on into out, interleaved with the
    // data's channels; frames outside the data, or beyond the end of a file
    // that shrank, are silence.
    void ReadFrames(int64_t frame, int64_t count, float* out) const;
    // The same as interleaved stereo (a mono sound on both sides).
    void ReadStereo(int64_t frame, int64_t count, float* out) const;
    // Grows when the sound file read from changed or went away on disk; what
    // was read from it before may be out of date.
    uint32_t Generation() const { return m_generation.load(std::memory_order_relaxed); }
    // Looks whether a streamed file changed on disk (at most a few times a
    // second); the sound reader asks while it reads ahead.
    void CheckSource() const;

private:
    CSoundData() = default;
    // A streamed file's frames, with its lock held.
    void ReadFromFile(int64_t frame, int64_t count, float* out) const;
    void CheckFileUnchanged() const;

    std::vector<float> m_owned;
    void* m_mapping = nullptr;
    size_t m_mappingSize = 0;
    const float* m_samples = nullptr;
    int64_t m_frames = 0;
    int m_channels = 0;
    int m_rate = 0;

    // Streamed from a sound file (a SNDFILE*, or for 16-bit PCM WAV our own
    // reader), with the file's size and time when it was opened.
    void* m_file = nullptr;
    std::unique_ptr<CPcm16WavFile> m_pcm16;
    std::string m_path;
    uint64_t m_fileSize = 0;
    int64_t m_fileTimeNs = 0;
    mutable std::mutex m_fileMutex;
    mutable int64_t m_filePosition = -1;
    mutable int64_t m_lastCheckNs = 0;
    mutable bool m_fileChanged = false;
    mutable std::atomic<uint32_t> m_generation{0};
};
