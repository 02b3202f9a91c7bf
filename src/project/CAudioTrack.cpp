#include "project/CAudioTrack.h"

#include "engine/CEffectChain.h"
#include "gui/MessageBoxes.h"
#include "project/FrozenFilePath.h"
#include "project/ProjectNotifications.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

namespace {

constexpr int32_t kBothChannels = 2;

int32_t PreferredInput(const ProjectPreferences& prefs, int driverType) {
    if (driverType == 0)
        return prefs.mixWaveInput;
    if (driverType == 2)
        return prefs.mixWaveRTInput;
    return prefs.mixASIOInput;
}

} // namespace

void CAudioTrack::Init() {
    SetName(MyLoadString("T_DEF_NAME"), false);
    SetImage(MyLoadString("T_DEF_ICON"), false);
    SetColour(static_cast<uint32_t>(Services().prefs.defaultAudioShade), false);
}

TrackSettings CAudioTrack::GetSettings() const {
    TrackSettings settings;
    FillEngineSettings(settings);
    return settings;
}

void CAudioTrack::ApplySettings(const TrackSettings& settings) {
    const RecordingInput& input = Services().recordingInput;
    if (settings.armed != IsArmed() || settings.armedDevice != GetArmedDevice() ||
        settings.armedChannel != GetArmedChannel()) {
        // An arming is put back only on an input this machine offers now.
        if (!settings.armed)
            Disarm();
        else if (input.Offers(settings.armedDriverType, settings.armedDevice,
                              settings.armedChannel))
            Arm(settings.armedDevice, settings.armedChannel);
    }
    ApplyEngineSettings(settings);
}

void CAudioTrack::ToggleArm() {
    if (IsArmed()) {
        Disarm();
        return;
    }
    const RecordingInput& input = Services().recordingInput;
    if (input.deviceCount <= 0) {
        ShowMessage(nullptr, "ARM_ErrorNoDevices", MB_OK | MB_ICONEXCLAMATION,
                    "ARM_ErrorNoDevicesTitle");
        return;
    }
    if (m_armedBefore && m_lastDriverType == input.driverType) {
        // The machine may have lost the device since.
        const int32_t device = m_lastDevice < input.deviceCount ? m_lastDevice : 0;
        Arm(device, m_lastChannel);
        return;
    }
    Arm(PreferredInput(Services().prefs, input.driverType), kBothChannels);
}

bool CAudioTrack::Arm(int32_t device, int32_t channel) {
    const RecordingInput& input = Services().recordingInput;
    if (device < 0 || device >= input.deviceCount)
        return false;
    if (input.channelCount && input.channelCount(device) == 1)
        channel = 0;
    if (!input.Offers(input.driverType, device, channel))
        return false;
    SetArmedState(true, device, channel, input.driverType);
    m_armedBefore = true;
    m_lastDriverType = input.driverType;
    m_lastDevice = device;
    m_lastChannel = channel;
    Notify<kNotifyTrackArmed>(*this, this);
    return true;
}

TrackFileContents CAudioTrack::MakeFileContents(bool asTemplate) const {
    AudioTrackRecord record;
    const TrackSettings settings = GetSettings();
    record.name = settings.name;
    record.imageName = settings.imageName;
    record.volume = settings.volume;
    record.pan = settings.pan;
    record.mute = settings.mute;
    record.solo = settings.solo;
    record.armed = settings.armed;
    if (settings.armed) {
        record.armedDevice = settings.armedDevice;
        record.armedChannel = settings.armedChannel;
        record.armedDriverType = settings.armedDriverType;
        record.monitoring = settings.monitoring;
    }
    record.colour = settings.colour;
    record.frozen = settings.frozen && !asTemplate;
    record.frozenFilePath = asTemplate ? std::string() : GetFrozenFilePath();
    record.selected = IsSelected();
    record.height = GetHeight();
    record.armedBefore = m_armedBefore;
    record.lastDriverType = m_lastDriverType;
    record.lastDevice = m_lastDevice;
    record.lastChannel = m_lastChannel;
    TrackFileContents contents(std::move(record));
    contents.effects = EffectChainForFile();
    if (!asTemplate)
        contents.incomplete = !MakeClipChunks(&contents.clipChunks);
    return contents;
}

bool CAudioTrack::ApplyFileContents(TrackFileContents& contents) {
    const AudioTrackRecord* record = contents.Audio();
    if (!record) {
        Log("CAudioTrack::Load failed -  returning false!");
        return false;
    }
    if (!TakeChain(GetEffectChain(), contents.effects.get())) {
        Log("CAudioTrack::Load failed to load track effects chain -  returning false!");
        return false;
    }
    TrackSettings settings;
    settings.name = record->name;
    settings.imageName = record->imageName;
    settings.volume = record->volume;
    settings.pan = record->pan;
    settings.mute = record->mute;
    settings.solo = record->solo;
    settings.armed = record->armed;
    settings.armedDevice = record->armedDevice;
    settings.armedChannel = record->armedChannel;
    settings.armedDriverType = record->armedDriverType;
    settings.monitoring = record->monitoring;
    settings.colour = record->colour;
    settings.frozen = record->frozen;
    SetFrozenFilePath(record->frozenFilePath);
    SetHeight(record->height);
    m_armedBefore = record->armedBefore;
    m_lastDriverType = record->lastDriverType;
    m_lastDevice = record->lastDevice;
    m_lastChannel = record->lastChannel;
    if (!TakeClipChunks(contents.clipChunks))
        return false;
    ApplySettings(settings);
    return true;
}
