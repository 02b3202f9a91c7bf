#include "project/CTrackInputMenu.h"

#include "gui/GuiMenu.h"
#include "gui/MessageBoxes.h"
#include "project/CMIDITrack.h"
#include "project/CPCMAudTrack.h"
#include "project/MidiTrackRecord.h"
#include "project/RecordingInput.h"
#include "support/LocalizedStrings.h"

#include <string>
#include <vector>

namespace {

constexpr int kBothChannels = 2;
// The order of a recording device's sub-menu, as channel selections.
constexpr int kAudioOrder[CTrackInputMenu::kAudioChoices] = {kBothChannels, 0, 1};
constexpr const char* kAudioLabels[CTrackInputMenu::kAudioChoices] = {"ARM_STEREO", "ARM_LEFT",
                                                                      "ARM_RIGHT"};

// A device's name as the system gave it, or its number when it gave none.
std::string DeviceLabel(const std::vector<std::string>& names, int device) {
    const size_t slot = static_cast<size_t>(device);
    if (slot < names.size() && !names[slot].empty())
        return names[slot];
    return std::to_string(device + 1);
}

} // namespace

CTrackInputMenu::CTrackInputMenu(CPCMAudTrack& track, const RecordingInput& input,
                                 int midiDeviceCount)
    : m_track(track), m_input(input), m_midiDeviceCount(midiDeviceCount) {}

int32_t CTrackInputMenu::AudioItem(int device, int channelSelection) {
    return 1 + device * kAudioChoices + channelSelection;
}

int32_t CTrackInputMenu::MidiItem(int device, int midiChannel) {
    return 1 + device * kMidiChoices + midiChannel + 1;
}

bool CTrackInputMenu::IsMidi() const {
    return m_track.GetKind() == CTrack::kMidi;
}

bool CTrackInputMenu::Build(GuiMenu& menu) const {
    const int devices = IsMidi() ? m_midiDeviceCount : m_input.deviceCount;
    if (devices <= 0) {
        ShowMessage(nullptr, IsMidi() ? "ARM_ErrorNoMidiDevices" : "ARM_ErrorNoDevices",
                    MB_OK | MB_ICONEXCLAMATION, "ARM_ErrorNoDevicesTitle");
        return false;
    }
    if (IsMidi())
        BuildMidi(menu);
    else
        BuildAudio(menu);
    return true;
}

void CTrackInputMenu::BuildAudio(GuiMenu& menu) const {
    for (int device = 0; device < m_input.deviceCount; ++device) {
        GuiMenu& inputs = menu.AddSubMenu(DeviceLabel(m_input.deviceNames, device));
        const int channels = m_input.channelCount ? m_input.channelCount(device) : 0;
        for (int choice = 0; choice < kAudioChoices; ++choice) {
            const int selection = kAudioOrder[choice];
            const int32_t item = AudioItem(device, selection);
            inputs.AddItem(item, MyLoadString(kAudioLabels[choice]));
            // A mono input offers its one channel, which both stereo and left take.
            inputs.Enable(item, selection != 1 || channels >= 2);
            inputs.Check(item, m_track.IsArmed() && m_track.GetArmedDevice() == device &&
                                   m_track.GetArmedChannel() == selection);
        }
    }
    menu.AddSeparator();
    menu.AddItem(kMonitorItem, MyLoadString("ARM_MONITOR"));
    menu.Check(kMonitorItem, m_track.IsMonitoring());
}

void CTrackInputMenu::BuildMidi(GuiMenu& menu) const {
    for (int device = 0; device < m_midiDeviceCount; ++device) {
        GuiMenu& channels = menu.AddSubMenu(DeviceLabel(m_input.midiDeviceNames, device));
        for (int channel = MidiTrackRecord::kAllChannels; channel <= MidiTrackRecord::kLastChannel;
             ++channel) {
            const int32_t item = MidiItem(device, channel);
            channels.AddItem(item, channel == MidiTrackRecord::kAllChannels
                                       ? MyLoadString("ARM_MidiAllChannels")
                                       : MyLoadString("ARM_MidiChannel") + " " +
                                             std::to_string(channel + 1));
            channels.Check(item, m_track.IsArmed() && m_track.GetArmedDevice() == device &&
                                     m_track.GetArmedChannel() == channel);
        }
    }
}

bool CTrackInputMenu::Choose(int32_t item) {
    if (item <= 0)
        return false;
    if (item == kMonitorItem && !IsMidi()) {
        m_track.SetMonitoring(!m_track.IsMonitoring(), false);
        return true;
    }
    const int offset = item - 1;
    if (!IsMidi()) {
        const int device = offset / kAudioChoices;
        return device < m_input.deviceCount && m_track.Arm(device, offset % kAudioChoices);
    }
    const int device = offset / kMidiChoices;
    const int channel = offset % kMidiChoices - 1;
    auto* midi = dynamic_cast<CMIDITrack*>(&m_track);
    if (!midi || device >= m_midiDeviceCount || !midi->SetMidiInputChannel(channel, false))
        return false;
    return midi->Arm(device, channel);
}
