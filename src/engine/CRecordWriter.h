#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CInputRing;
class CPCMMixer;
class CRtAudioInput;

// Records inputs into WAV files. The device callbacks only put the incoming
// frames into rings (the mixer's input ring for the input of the device it
// plays through, a ring of their own for other input devices); a thread of
// this writer takes them out and writes every file, so that no callback ever
// touches a disk.
class CRecordWriter {
public:
    // One file of the take: its channels of an input (1: the first or second
    // channel, 2: both), and the input device by name ("" for the input the
    // mixer's device reads).
    struct Target {
        std::string path;
        int channels = 2;
        int firstChannel = 0;
        std::string device;
    };

    explicit CRecordWriter(CPCMMixer& mixer);
    ~CRecordWriter();
    CRecordWriter(const CRecordWriter&) = delete;
    CRecordWriter& operator=(const CRecordWriter&) = delete;

    // Creates every file (16-bit PCM at the mixer's rate) and opens the input
    // devices the targets name besides the mixer's own. False, with no file
    // left behind, when a file cannot be created or an input cannot open;
    // reason names it. Without a real device open there is no other input to
    // open: every file takes the mixer's input.
    bool Open(const std::vector<Target>& targets, std::string& reason);
    // Starts taking the input of the opened files: their first frames are
    // those that arrive with the next block. Opening takes long, beginning
    // does not, so that a take can begin with the block that starts playback.
    void Begin();
    // Open, then Begin.
    bool Start(const std::vector<Target>& targets, std::string& reason);
    // Stops taking input, writes what is left and closes the files and the
    // inputs opened for them. Opened but not begun, nothing was recorded:
    // the files are deleted.
    void Stop();
    bool IsRecording() const { return m_thread.joinable(); }

    // Frames written to the longest file so far, and to the file of one target.
    int64_t FramesWritten() const;
    int64_t FramesWritten(size_t target) const;
    // Where the first frame of the first target's file (of one target's
    // file) belongs on the timeline, in heard milliseconds: the play position
    // it arrived with, less the time the sound took out to the listener and
    // back in from its input. -1 before the first frame arrived.
    double RecordStartMs() const { return RecordStartMs(0); }
    double RecordStartMs(size_t target) const;
    // Frames the writer could not keep up with (a ring was full).
    int64_t DroppedFrames() const;

private:
    // Where frames come from: the mixer's input (no device of its own) or
    // another input device, opened for the take or shared with the tracks
    // that monitor it (CMonitoredInputs). Once the take stops the writer lets
    // go of the device and keeps where its first frame arrived.
    struct Source {
        std::shared_ptr<CRtAudioInput> input;
        bool ownInput = false; // opened for the take
        CInputRing* ring = nullptr;
        int latencyFrames = 0;
        int64_t firstFrame = -1;   // after the stop
        int64_t droppedFrames = 0; // after the stop
        std::atomic<int64_t> framesWritten{0};
    };

    bool OpenFiles(std::string& reason);
    bool OpenSources(std::string& reason);
    void ReleaseInputs();
    size_t SourceFor(const std::string& device, std::string& reason);
    int64_t CaptureStartFrame(const Source& source) const;
    void Run();
    void DrainAll();
    void Drain(size_t source);
    void CloseFiles();
    void RemoveFiles(size_t made);

    CPCMMixer& m_mixer;
    std::vector<Target> m_targets;
    std::vector<void*> m_files;          // SNDFILE*, one a target
    std::vector<size_t> m_targetSources; // the source of each target
    std::vector<std::unique_ptr<Source>> m_sources;
    std::vector<float> m_block;
    std::vector<float> m_channelBlock;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    bool m_opened = false; // and not yet begun
};
