#include "engine/CMonitoredInputs.h"

#include "engine/CAudioDevice.h"
#include "engine/CInputRing.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMTrack.h"
#include "engine/CRtAudioInput.h"
#include "support/Log.h"

#include <algorithm>

namespace {

// The mixer's lock for a scope.
class MixerLocked {
public:
    explicit MixerLocked(CPCMMixer& mixer) : m_mixer(mixer) { m_mixer.Lock(); }
    ~MixerLocked() { m_mixer.Unlock(); }
    MixerLocked(const MixerLocked&) = delete;
    MixerLocked& operator=(const MixerLocked&) = delete;

private:
    CPCMMixer& m_mixer;
};

} // namespace

CMonitoredInputs::CMonitoredInputs(CPCMMixer& mixer) : m_mixer(mixer) {}

CMonitoredInputs::~CMonitoredInputs() {
    CloseAll();
}

bool CMonitoredInputs::IsOwnInput(const std::string& name) const {
    // Without a real device there is no other input to open: like a
    // recording, the track takes whatever input the mixer gets.
    return !m_mixer.IsOpen() || name.empty() || name == m_mixer.GetDevice().InputName();
}

std::vector<std::string> CMonitoredInputs::WantedDevices() const {
    std::vector<std::string> names;
    for (int number = 0; number < m_mixer.GetNumTracks(); ++number) {
        const CPCMTrack& track = *m_mixer.GetTrack(number);
        const std::string& name = track.GetMonitorDevice();
        if (track.HearsInput() && !IsOwnInput(name) &&
            std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

int CMonitoredInputs::SlotOf(const std::string& name) const {
    for (int slot = 0; slot < kMaxInputs; ++slot)
        if (m_slots[static_cast<size_t>(slot)].input &&
            m_slots[static_cast<size_t>(slot)].name == name)
            return slot;
    return -1;
}

int CMonitoredInputs::SourceOf(const std::string& name) const {
    if (IsOwnInput(name))
        return CPCMTrack::kOwnInput;
    const int slot = SlotOf(name);
    return slot >= 0 ? slot : CPCMTrack::kInputClosed;
}

std::shared_ptr<CRtAudioInput> CMonitoredInputs::OpenInput(const std::string& name) {
    std::string reason;
    std::shared_ptr<CRtAudioInput> input = m_mixer.GetDevice().OpenOtherInput(name, reason);
    if (!input)
        LogFmt("CMonitoredInputs: the input '%s' cannot be monitored: %s", name.c_str(),
               reason.c_str());
    return input;
}

void CMonitoredInputs::Update() {
    const std::vector<std::string> wanted = WantedDevices();
    // The new inputs open before the lock is taken: opening a device takes
    // long, and the mixing thread would lose its blocks meanwhile.
    std::array<std::shared_ptr<CRtAudioInput>, kMaxInputs> opened;
    std::array<std::string, kMaxInputs> openedNames;
    std::array<bool, kMaxInputs> kept{};
    for (const std::string& name : wanted)
        if (const int slot = SlotOf(name); slot >= 0)
            kept[static_cast<size_t>(slot)] = true;
    for (const std::string& name : wanted) {
        if (SlotOf(name) >= 0)
            continue;
        size_t free = 0;
        while (free < opened.size() && (kept[free] || opened[free]))
            ++free;
        if (free == opened.size()) {
            LogFmt("CMonitoredInputs: no room to monitor the input '%s'", name.c_str());
            continue;
        }
        opened[free] = OpenInput(name);
        openedNames[free] = name;
        // A slot gets its block once, while no input uses it.
        if (opened[free] && m_slots[free].frames.empty())
            m_slots[free].frames.assign(static_cast<size_t>(kMostFrames) * 2, 0.0f);
    }
    std::vector<std::shared_ptr<CRtAudioInput>> closed;
    {
        MixerLocked locked(m_mixer);
        for (size_t slot = 0; slot < m_slots.size(); ++slot) {
            if (kept[slot])
                continue;
            if (m_slots[slot].input)
                closed.push_back(std::move(m_slots[slot].input));
            m_slots[slot].input = std::move(opened[slot]);
            m_slots[slot].name = m_slots[slot].input ? openedNames[slot] : std::string();
        }
        for (int number = 0; number < m_mixer.GetNumTracks(); ++number) {
            CPCMTrack& track = *m_mixer.GetTrack(number);
            track.SetMonitorSource(SourceOf(track.GetMonitorDevice()));
        }
    }
    // The mixing thread no longer sees them; they stop here, unless a
    // recording still takes their input.
    closed.clear();
}

void CMonitoredInputs::CloseAll() {
    std::vector<std::shared_ptr<CRtAudioInput>> closed;
    {
        MixerLocked locked(m_mixer);
        for (Slot& slot : m_slots) {
            if (slot.input)
                closed.push_back(std::move(slot.input));
            slot.input.reset();
            slot.name.clear();
        }
        for (int number = 0; number < m_mixer.GetNumTracks(); ++number) {
            CPCMTrack& track = *m_mixer.GetTrack(number);
            if (track.GetMonitorSource() >= 0)
                track.SetMonitorSource(CPCMTrack::kInputClosed);
        }
    }
}

std::shared_ptr<CRtAudioInput> CMonitoredInputs::Find(const std::string& name) const {
    const int slot = SlotOf(name);
    return slot >= 0 ? m_slots[static_cast<size_t>(slot)].input : nullptr;
}

int CMonitoredInputs::OpenCount() const {
    return static_cast<int>(
        std::count_if(m_slots.begin(), m_slots.end(), [](const Slot& slot) { return slot.input; }));
}

void CMonitoredInputs::Pull(int frames) LOOMTONE_REALTIME {
    m_blockFrames = frames > 0 && frames <= kMostFrames ? frames : 0;
    if (m_blockFrames == 0)
        return;
    for (Slot& slot : m_slots) {
        if (!slot.input)
            continue;
        CInputRing& ring = slot.input->MonitorRing();
        const int64_t available = ring.Available();
        if (available < frames) {
            // Behind: the frames it has wait for the next block.
            std::fill_n(slot.frames.begin(), static_cast<size_t>(frames) * 2, 0.0f);
            m_underruns.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        if (available > 3 * static_cast<int64_t>(frames))
            m_skipped.fetch_add(ring.Skip(available - 2 * static_cast<int64_t>(frames)),
                                std::memory_order_relaxed);
        ring.Read(slot.frames.data(), frames);
    }
}

const float* CMonitoredInputs::Frames(int slot) const LOOMTONE_REALTIME {
    if (slot < 0 || slot >= kMaxInputs || m_blockFrames == 0)
        return nullptr;
    const Slot& entry = m_slots[static_cast<size_t>(slot)];
    return entry.input ? entry.frames.data() : nullptr;
}
