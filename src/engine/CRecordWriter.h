#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CPCMMixer;

// Records the mixer's input into WAV files. The device callback only puts the
// incoming frames into the mixer's input ring; a thread of this writer takes
// them out and writes every file, so that the callback never touches a disk.
class CRecordWriter {
public:
    // One file of the take: its channels of the input (1: the first or second
    // channel, 2: both).
    struct Target {
        std::string path;
        int channels = 2;
        int firstChannel = 0;
    };

    explicit CRecordWriter(CPCMMixer& mixer) : m_mixer(mixer) {}
    ~CRecordWriter();
    CRecordWriter(const CRecordWriter&) = delete;
    CRecordWriter& operator=(const CRecordWriter&) = delete;

    // Creates every file (16-bit PCM at the mixer's rate) and starts taking
    // the input. False, with no file left behind, when a file cannot be
    // created; reason names it.
    bool Start(const std::vector<Target>& targets, std::string& reason);
    // Stops taking input, writes what is left and closes the files.
    void Stop();
    bool IsRecording() const { return m_thread.joinable(); }

    // Frames written to each file so far.
    int64_t FramesWritten() const { return m_framesWritten.load(); }
    // Where the take's first frame belongs on the timeline, in heard
    // milliseconds: the play position it arrived with, less the time the
    // sound took out to the listener and back in from the input. -1 before
    // the first frame arrived.
    double RecordStartMs() const;
    // Frames the writer could not keep up with (the ring was full).
    int64_t DroppedFrames() const;

private:
    void Run();
    void Drain();
    void CloseFiles();

    CPCMMixer& m_mixer;
    std::vector<Target> m_targets;
    std::vector<void*> m_files; // SNDFILE*
    std::vector<float> m_block;
    std::vector<float> m_channelBlock;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<int64_t> m_framesWritten{0};
    int m_latencyFrames = 0;
};
