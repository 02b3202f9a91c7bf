#include "project/CMIDITrack.h"

#include "engine/CEffectChain.h"
#include "engine/CGMInstrument.h"
#include "engine/CPCMTrack.h"
#include "engine/EffectsFactory.h"
#include "gui/MessageBoxes.h"
#include "project/MidiTrackRecord.h"
#include "project/ProjectNotifications.h"
#include "project/SoundFontNotice.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <memory>

void CMIDITrack::Init() {
    SetName(MyLoadString("DEF_MIDI_Name"), false);
    SetImage(MyLoadString("DEF_MIDI_ICON"), false);
    SetColour(kDefaultColour, false);
    WarnOnceWithoutSoundFont(CGMInstrument::FindSoundFont(""));
}

TrackSettings CMIDITrack::GetSettings() const {
    TrackSettings settings;
    FillEngineSettings(settings);
    settings.midiInputChannel = m_midiInputChannel;
    return settings;
}

void CMIDITrack::ApplySettings(const TrackSettings& settings) {
    m_midiInputChannel = settings.midiInputChannel;
    if (!settings.armed)
        Disarm();
    else if (!IsArmed() || settings.armedDevice != GetArmedDevice() ||
             settings.armedChannel != GetArmedChannel())
        Arm(settings.armedDevice, settings.armedChannel);
    ApplyEngineSettings(settings);
}

void CMIDITrack::ToggleArm() {
    if (!HasEngineTrack())
        return;
    if (Services().midiInputDeviceCount <= 0) {
        ShowMessage(nullptr, "ARM_ErrorNoMidiDevices", MB_OK | MB_ICONEXCLAMATION,
                    "ARM_ErrorNoDevicesTitle");
        return;
    }
    if (IsArmed())
        Disarm();
    else
        Arm(Services().prefs.mixMidiInDevice, m_midiInputChannel);
}

bool CMIDITrack::Arm(int32_t device, int32_t channel) {
    if (device < 0 || device >= Services().midiInputDeviceCount ||
        channel < MidiTrackRecord::kAllChannels || channel > MidiTrackRecord::kLastChannel)
        return false;
    SetArmedState(true, device, channel, 0);
    Notify<kNotifyTrackArmed>(*this, this);
    return true;
}

CEffectChain* CMIDITrack::GetInstrumentChain() const {
    return GetPCMTrack() ? GetPCMTrack()->GetInstrumentChain() : nullptr;
}

void CMIDITrack::EnsureInstrument() {
    CEffectChain* chain = GetInstrumentChain();
    if (!chain || chain->NumEffects() > 0)
        return;
    if (std::unique_ptr<CAudioEffect> builtIn =
            EffectsFactory::GetInstance()->LoadEffect(CGMInstrument::kID))
        chain->Insert(std::move(builtIn), 0);
}

CEffectChain* CMIDITrack::GetInstrumentEffectsChain() const {
    return GetPCMTrack() ? GetPCMTrack()->GetInstrumentEffectsChain() : nullptr;
}

bool CMIDITrack::SetMidiInputChannel(int32_t channel, bool undo) {
    if (channel < MidiTrackRecord::kAllChannels || channel > MidiTrackRecord::kLastChannel)
        return false;
    if (undo)
        BeginSettingsChange();
    m_midiInputChannel = channel;
    if (undo)
        EndSettingsChange();
    return true;
}

TrackFileContents CMIDITrack::MakeFileContents(bool asTemplate) const {
    MidiTrackRecord record;
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
    }
    record.colour = settings.colour;
    record.selected = IsSelected();
    record.height = GetHeight();
    record.presetGroup = m_presetGroup;
    record.presetName = m_presetName;
    record.presetKind = m_presetKind;
    record.windowOption = m_windowOption;
    record.windowX = m_windowX;
    record.windowY = m_windowY;
    record.frozen = settings.frozen && !asTemplate;
    record.frozenFilePath = asTemplate ? std::string() : GetFrozenFilePath();
    record.midiInputChannel = m_midiInputChannel;
    TrackFileContents contents(std::move(record));
    contents.effects = EffectChainForFile();
    contents.instrument = CopyChain(GetInstrumentChain());
    contents.instrumentEffects = CopyChain(GetInstrumentEffectsChain());
    if (!asTemplate)
        contents.incomplete = !MakeClipChunks(&contents.clipChunks);
    return contents;
}

bool CMIDITrack::ApplyFileContents(TrackFileContents& contents) {
    const MidiTrackRecord* record = contents.Midi();
    if (!record) {
        Log("CMIDITrack::Load failed -  returning false!");
        return false;
    }
    if (!TakeChain(GetEffectChain(), contents.effects.get())) {
        Log("CAudioTrack::Load failed to load track effects chain -  returning false!");
        return false;
    }
    if (!TakeChain(GetInstrumentChain(), contents.instrument.get())) {
        Log("CAudioTrack::Load failed to load inst chain -  returning false!");
        return false;
    }
    if (!TakeChain(GetInstrumentEffectsChain(), contents.instrumentEffects.get())) {
        Log("CAudioTrack::Load failed to load inst FX chain -  returning false!");
        return false;
    }
    m_presetGroup = record->presetGroup;
    m_presetName = record->presetName;
    m_presetKind = record->presetKind;
    m_windowOption = record->windowOption;
    m_windowX = record->windowX;
    m_windowY = record->windowY;
    TrackSettings settings;
    settings.name = record->name;
    settings.imageName = record->imageName;
    settings.volume = record->volume;
    settings.pan = record->pan;
    settings.mute = record->mute;
    settings.solo = record->solo;
    settings.armed = record->ArmingUsable(Services().midiInputDeviceCount);
    settings.armedDevice = record->armedDevice;
    settings.armedChannel = record->armedChannel;
    settings.colour = record->colour;
    settings.frozen = record->frozen;
    settings.midiInputChannel = record->midiInputChannel;
    SetFrozenFilePath(record->frozenFilePath);
    SetHeight(record->height);
    if (!TakeClipChunks(contents.clipChunks))
        return false;
    ApplySettings(settings);
    return true;
}
