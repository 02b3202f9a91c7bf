#pragma once

#include "engine/Realtime.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPCMMixer;
class CRtAudioInput;

// The input devices a monitoring track hears besides the input of the device
// the mixer plays through. Each is opened beside the mixer's device (as a
// recording opens one); its callback puts the frames into the input's
// monitoring ring, and the mixing thread takes one block of them at the start
// of every live block, so that neither side waits for the other.
//
// A ring that holds less than a block when the mixing thread comes for it is
// behind: that block is heard as silence and counted. The frames it has then
// wait, so that the ring keeps a block in hand: the server may run the input
// before or after the mixer within a cycle, or both at once. One that holds
// more than three blocks (the devices' clocks drift apart, or the mixing
// thread stalled) is brought back to two, so that what the track hears stays
// a block or two behind its input rather than falling further behind.
//
// Threads: Update and CloseAll on the GUI thread; Pull and Frames on the
// mixing thread, with the mixer's lock held. Slots change only under that lock.
class CMonitoredInputs {
public:
    // Input devices that can be monitored at once.
    static constexpr int kMaxInputs = 8;
    // The longest block whose input is heard; longer blocks hear silence.
    static constexpr int kMostFrames = 8192;

    explicit CMonitoredInputs(CPCMMixer& mixer);
    ~CMonitoredInputs();
    CMonitoredInputs(const CMonitoredInputs&) = delete;
    CMonitoredInputs& operator=(const CMonitoredInputs&) = delete;

    // Opens the input devices the monitoring tracks are armed on, closes those
    // no track hears any more, and tells every track where its input is
    // (CPCMTrack::SetMonitorSource). A device that cannot open is logged and
    // its tracks hear nothing. GUI thread; call it after arming or monitoring
    // changed and after the mixer's device changed.
    void Update();
    // Closes every input; the tracks that heard one hear nothing until the
    // next Update. GUI thread.
    void CloseAll();

    // The open input device of that name, to record from while it is
    // monitored; null when it is not open.
    std::shared_ptr<CRtAudioInput> Find(const std::string& name) const;
    int OpenCount() const;

    // Mixing thread, mixer locked: takes a block of frames from every open
    // input for the block being mixed.
    void Pull(int frames) LOOMTONE_REALTIME;
    // The slot's stereo frames of the block taken by the last Pull; null for
    // a slot without an input.
    const float* Frames(int slot) const LOOMTONE_REALTIME;
    // Blocks heard as silence because an input's ring was behind, and frames
    // passed over because it was too far ahead.
    int64_t Underruns() const { return m_underruns.load(); }
    int64_t SkippedFrames() const { return m_skipped.load(); }

private:
    struct Slot {
        std::string name; // as the tracks ask for it; GUI thread
        std::shared_ptr<CRtAudioInput> input;
        std::vector<float> frames; // kMostFrames stereo frames
    };

    // The names of the devices monitoring tracks are armed on, other than
    // the input of the mixer's device.
    std::vector<std::string> WantedDevices() const;
    bool IsOwnInput(const std::string& name) const;
    std::shared_ptr<CRtAudioInput> OpenInput(const std::string& name);
    // The open input's slot; -1 when none is open by that name.
    int SlotOf(const std::string& name) const;
    // Where a track armed on the named device finds its input (CPCMTrack::SetMonitorSource).
    int SourceOf(const std::string& name) const;

    CPCMMixer& m_mixer;
    std::array<Slot, kMaxInputs> m_slots;
    // Frames of the block the last Pull took; 0 when it took none.
    int m_blockFrames = 0;
    std::atomic<int64_t> m_underruns{0};
    std::atomic<int64_t> m_skipped{0};
};
