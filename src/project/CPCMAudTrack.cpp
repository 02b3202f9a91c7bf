#include "project/CPCMAudTrack.h"

#include "engine/CAudioDevice.h"
#include "engine/CEffectChain.h"
#include "engine/CMonitoredInputs.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CPCMTrack.h"
#include "engine/CSoundGroup.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/MessageBoxes.h"
#include "project/CClip.h"
#include "project/CTrackInputMenu.h"
#include "project/ProjectNotifications.h"
#include "support/Log.h"

CPCMAudTrack::~CPCMAudTrack() {
    UnplaceFrozenSound();
    CAudioAtom::DeleteAtom(m_frozenSound);
}

#include <cmath>

bool CPCMAudTrack::CreateEngineTrack() {
    if (m_engineTrack)
        return true;
    m_engineTrack = Services().mixer.AddTrack();
    if (!m_engineTrack)
        return false;
    if (m_detached) {
        m_engineTrack->GetEffectChain()->LoadBody(m_detached->effects.data(),
                                                  m_detached->effects.size());
        m_engineTrack->GetInstrumentChain()->LoadBody(m_detached->instrument.data(),
                                                      m_detached->instrument.size());
        m_engineTrack->GetInstrumentEffectsChain()->LoadBody(m_detached->instrumentEffects.data(),
                                                             m_detached->instrumentEffects.size());
        const TrackSettings settings = m_detached->settings;
        m_detached.reset();
        ApplySettings(settings);
    }
    PlaceFrozenSound();
    return true;
}

void CPCMAudTrack::RemoveFromEngine() {
    if (!m_engineTrack)
        return;
    DetachedEngineState state;
    state.settings = GetSettings();
    state.effects = m_engineTrack->GetEffectChain()->SaveBody();
    state.instrument = m_engineTrack->GetInstrumentChain()->SaveBody();
    state.instrumentEffects = m_engineTrack->GetInstrumentEffectsChain()->SaveBody();
    if (IsSolo())
        SendNotification(kNotifySoloOff, NotificationNumber(GetIndex()));
    if (m_armed)
        Disarm();
    UnplaceFrozenSound();
    // The mixer renumbers the following engine tracks and the sounds on them.
    Services().mixer.RemoveTrack(m_engineTrack->GetTrackNumber());
    m_engineTrack = nullptr;
    m_detached = std::move(state);
}

int CPCMAudTrack::GetTrackNumber() const {
    return m_engineTrack ? m_engineTrack->GetTrackNumber() : -1;
}

bool CPCMAudTrack::IsSolo() const {
    return m_engineTrack && m_engineTrack->IsSolo();
}

void CPCMAudTrack::ToggleSolo() {
    SetSolo(!IsSolo());
}

void CPCMAudTrack::SetSolo(bool solo) {
    if (!m_engineTrack || solo == IsSolo())
        return;
    m_engineTrack->SetIsSolo(solo);
    UpdateHeaderControls();
    SendNotification(solo ? kNotifySoloOn : kNotifySoloOff, NotificationNumber(GetIndex()));
}

bool CPCMAudTrack::IsMute() const {
    return m_engineTrack && m_engineTrack->IsMute();
}

void CPCMAudTrack::ToggleMute() {
    if (m_engineTrack)
        m_engineTrack->SetIsMute(!m_engineTrack->IsMute());
    UpdateHeaderControls();
}

double CPCMAudTrack::GetVolume() const {
    return m_engineTrack ? m_engineTrack->GetVolume() : 1.0;
}

void CPCMAudTrack::SetVolume(double volume, bool undo) {
    if (!m_engineTrack)
        return;
    if (undo)
        BeginSettingsChange();
    m_engineTrack->SetVolume(volume);
    UpdateHeaderControls();
    if (undo)
        EndSettingsChange();
}

double CPCMAudTrack::GetPan() const {
    return m_engineTrack ? m_engineTrack->GetPan() : 0.0;
}

void CPCMAudTrack::SetPan(double pan, bool undo) {
    if (!m_engineTrack)
        return;
    if (undo)
        BeginSettingsChange();
    m_engineTrack->SetPan(pan);
    UpdateHeaderControls();
    if (undo)
        EndSettingsChange();
}

bool CPCMAudTrack::IsMonitoring() const {
    return m_engineTrack && m_engineTrack->IsMonitoring();
}

void CPCMAudTrack::SetMonitoring(bool on, bool undo) {
    if (!m_engineTrack || on == IsMonitoring())
        return;
    if (on && GetKind() == kAudio && Services().prefs.bWarnAboutMonitorLatency)
        WarnAboutMonitorLatency();
    if (undo)
        BeginSettingsChange();
    m_engineTrack->SetIsMonitoring(on);
    Services().mixer.GetMonitoredInputs().Update();
    if (undo)
        EndSettingsChange();
}

// The input reaches the ear one block, plus the device's input and output
// latencies, after it was played.
void CPCMAudTrack::WarnAboutMonitorLatency() {
    CAudioDevice& device = Services().mixer.GetDevice();
    const int frames =
        device.BlockFrames() + device.InputLatencyFrames() + device.OutputLatencyFrames();
    const int ms = static_cast<int>(std::lround(frames * 1000.0 / kMixerSampleRate));
    bool dontWarnAgain = false;
    AskWithDontAskAgain("T_Monitor_Warning_Title", &dontWarnAgain, "T_Monitor_Warning_Body",
                        MB_OK | MB_ICONASTERISK, ms);
    if (dontWarnAgain)
        Services().prefs.bWarnAboutMonitorLatency = false;
}

std::string CPCMAudTrack::GetArmedDeviceName() const {
    const std::vector<std::string>& names = Services().recordingInput.deviceNames;
    const size_t slot = static_cast<size_t>(m_armedDevice);
    return m_armedDevice >= 0 && slot < names.size() ? names[slot] : std::string();
}

CEffectChain* CPCMAudTrack::GetEffectChain() const {
    return m_engineTrack ? m_engineTrack->GetEffectChain() : nullptr;
}

void CPCMAudTrack::ShowArmMenu(GuiPoint at) {
    VRGuiWindow* window = Window();
    if (!window)
        return;
    CTrackInputMenu inputs(*this, Services().recordingInput, Services().midiInputDeviceCount);
    GuiMenu menu;
    if (!inputs.Build(menu))
        return;
    GuiPopupMenu popup(menu);
    inputs.Choose(popup.Run(window, at.x, at.y));
}

void CPCMAudTrack::Disarm() {
    SetArmedState(false, 0, 0, 0);
}

void CPCMAudTrack::SetArmedState(bool armed, int32_t device, int32_t channel, int32_t driverType) {
    m_armed = armed;
    m_armedDevice = armed ? device : 0;
    m_armedChannel = armed ? channel : 0;
    m_armedDriverType = armed ? driverType : 0;
    // An audio track hears the input it is armed on while it monitors; a
    // MIDI track's channel is a MIDI channel, not a device input.
    if (m_engineTrack && GetKind() == kAudio) {
        const bool heardBefore = m_engineTrack->HearsInput();
        m_engineTrack->SetMonitorInput(armed ? channel : CPCMTrack::kNoInput);
        m_engineTrack->SetMonitorDevice(GetArmedDeviceName());
        // Another device than the mixer's own input opens beside it.
        UpdateMonitoredInputs(heardBefore);
    }
    UpdateHeaderControls();
}

void CPCMAudTrack::UpdateMonitoredInputs(bool heardBefore) {
    // The devices are looked for among all tracks: a track that neither
    // heard an input nor hears one now changes nothing, and loading many
    // tracks would otherwise look at every track for each.
    if (heardBefore || m_engineTrack->HearsInput())
        Services().mixer.GetMonitoredInputs().Update();
}

void CPCMAudTrack::FillEngineSettings(TrackSettings& settings) const {
    FillCommonSettings(settings);
    settings.volume = GetVolume();
    settings.pan = GetPan();
    settings.mute = IsMute();
    settings.solo = IsSolo();
    settings.monitoring = IsMonitoring();
    settings.armed = m_armed;
    settings.armedDevice = m_armedDevice;
    settings.armedChannel = m_armedChannel;
    settings.armedDriverType = m_armedDriverType;
}

void CPCMAudTrack::ApplyEngineSettings(const TrackSettings& settings) {
    ApplyCommonSettings(settings);
    if (m_engineTrack) {
        m_engineTrack->SetVolume(settings.volume);
        m_engineTrack->SetPan(settings.pan);
        m_engineTrack->SetIsMute(settings.mute);
        const bool heardBefore = m_engineTrack->HearsInput();
        m_engineTrack->SetIsMonitoring(settings.monitoring);
        UpdateMonitoredInputs(heardBefore);
    }
    SetSolo(settings.solo);
    if (settings.frozen != IsFrozen()) {
        // Freezing renders, thawing deletes a file: the project does both.
        if (Services().changeFrozen)
            Services().changeFrozen(*this, settings.frozen);
        else
            SetFrozenState(settings.frozen);
    }
    UpdateHeaderControls();
}

void CPCMAudTrack::SetFrozenState(bool frozen) {
    if (frozen == IsFrozen())
        return;
    SetFrozenFlag(frozen);
    UpdateHeaderControls();
    CEffectChain* chain = GetEffectChain();
    if (!chain)
        return;
    if (frozen) {
        m_activeAtFreezing.clear();
        for (int index = 0; index < chain->NumEffects(); ++index) {
            m_activeAtFreezing.push_back(chain->GetEffect(index)->isActive());
            chain->GetEffect(index)->setActive(false);
        }
        return;
    }
    for (int index = 0; index < chain->NumEffects(); ++index) {
        const size_t slot = static_cast<size_t>(index);
        if (slot < m_activeAtFreezing.size())
            chain->GetEffect(index)->setActive(m_activeAtFreezing[slot]);
    }
    m_activeAtFreezing.clear();
}

std::unique_ptr<CEffectChain> CPCMAudTrack::EffectChainForFile() const {
    std::unique_ptr<CEffectChain> copy = CopyChain(GetEffectChain());
    if (!copy || !IsFrozen())
        return copy;
    for (int index = 0; index < copy->NumEffects(); ++index) {
        const size_t slot = static_cast<size_t>(index);
        copy->GetEffect(index)->setActive(slot < m_activeAtFreezing.size() &&
                                          m_activeAtFreezing[slot]);
    }
    return copy;
}

std::unique_ptr<CEffectChain> CPCMAudTrack::CopyChain(const CEffectChain* chain) {
    auto copy = std::make_unique<CEffectChain>();
    if (chain) {
        const std::vector<uint8_t> body = chain->SaveBody();
        if (!copy->LoadBody(body.data(), body.size()))
            return nullptr;
    }
    return copy;
}

bool CPCMAudTrack::TakeChain(CEffectChain* engineChain, const CEffectChain* fromFile) {
    if (!engineChain)
        return false;
    if (!fromFile) {
        engineChain->RemoveAll();
        return true;
    }
    const std::vector<uint8_t> body = fromFile->SaveBody();
    return engineChain->LoadBody(body.data(), body.size());
}

bool CPCMAudTrack::TakeFrozenSound(const std::string& path, double referenceStartMs) {
    if (!m_engineTrack || m_frozenSound)
        return false;
    auto* sound = new CPCMSound();
    if (!sound->EasyLoad(path)) {
        LogFmt("Failed to load frozen sound '%s'!", path.c_str());
        CAudioAtom::DeleteAtom(sound);
        return false;
    }
    sound->SetAbsoluteOffset(referenceStartMs);
    m_frozenSound = sound;
    PlaceFrozenSound();
    CPCMMixer& mixer = Services().mixer;
    mixer.Lock();
    CSoundGroup* group = mixer.GetSoundGroup();
    for (CClip* clip : Clips()) {
        CAudioAtom* atom = clip->GetEngineAtom();
        if (group && atom && group->Contains(atom))
            group->Remove(atom);
    }
    mixer.Unlock();
    for (CClip* clip : Clips())
        clip->Freeze();
    SetFrozenFilePath(path);
    SetFrozenState(true);
    return true;
}

void CPCMAudTrack::DropFrozenSound() {
    CPCMMixer& mixer = Services().mixer;
    mixer.Lock();
    CSoundGroup* group = mixer.GetSoundGroup();
    for (auto clip = Clips().rbegin(); clip != Clips().rend(); ++clip) {
        CAudioAtom* atom = (*clip)->GetEngineAtom();
        if (group && atom && !(*clip)->IsRecording() && !group->Contains(atom))
            group->Add(atom, atom->AbsoluteOffset());
    }
    mixer.Unlock();
    UnplaceFrozenSound();
    CAudioAtom::DeleteAtom(m_frozenSound);
    m_frozenSound = nullptr;
    for (CClip* clip : Clips())
        clip->Thaw();
    SetFrozenState(false);
}

void CPCMAudTrack::PlaceFrozenSound() {
    if (!m_frozenSound || !m_engineTrack)
        return;
    CPCMMixer& mixer = Services().mixer;
    mixer.Lock();
    CSoundGroup* group = mixer.GetSoundGroup();
    m_frozenSound->SetTimeBase(&mixer.GetTempoMap());
    if (group && !group->Contains(m_frozenSound))
        group->Add(m_frozenSound, m_frozenSound->AbsoluteOffset());
    m_frozenSound->SetTrackNumber(m_engineTrack->GetTrackNumber());
    mixer.Unlock();
}

void CPCMAudTrack::UnplaceFrozenSound() {
    if (!m_frozenSound)
        return;
    CPCMMixer& mixer = Services().mixer;
    mixer.Lock();
    CSoundGroup* group = mixer.GetSoundGroup();
    if (group && group->Contains(m_frozenSound))
        group->Remove(m_frozenSound);
    mixer.Unlock();
}
