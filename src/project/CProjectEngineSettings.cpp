#include "project/CProjectEngineSettings.h"

#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "project/CMasterVolUndo.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"

#include <filesystem>
#include <system_error>

CProjectEngineSettings::CProjectEngineSettings(CProject& project, CPCMMixer& mixer, CUndoMgr& undo,
                                               ProjectPreferences& prefs)
    : m_project(project), m_mixer(mixer), m_undo(undo), m_prefs(prefs),
      m_metronome(prefs.bUseMetronome) {}

CProjectEngineSettings::~CProjectEngineSettings() {
    ReleaseMetronomeSounds();
}

void CProjectEngineSettings::SetUseMetronome(bool use, bool markDirty) {
    LogFmt("CProject::SetUseMetronome() Enter -use:%d", use ? 1 : 0);
    if (markDirty && use != m_metronome)
        m_undo.SetDirty(true);
    m_metronome = use;
    m_prefs.bUseMetronome = use;
    ReleaseMetronomeSounds();
    if (use) {
        auto load = [](const std::string& path) -> CPCMSound* {
            auto* sound = new CPCMSound;
            if (!path.empty() && sound->EasyLoad(path))
                return sound;
            CAudioAtom::DeleteAtom(sound);
            return nullptr;
        };
        m_beatSound = load(m_prefs.metronomeBeatSoundFilePath);
        m_measureSound = load(m_prefs.metronomeMeasureSoundFilePath);
    }
    m_mixer.SetMetronome(use, m_beatSound, m_measureSound, m_prefs.metronomeVolume * 0.01);
    Log("CProject::SetUseMetronome() EXIT");
}

void CProjectEngineSettings::ReleaseMetronomeSounds() {
    if (m_beatSound)
        CAudioAtom::DeleteAtom(m_beatSound);
    if (m_measureSound)
        CAudioAtom::DeleteAtom(m_measureSound);
    m_beatSound = nullptr;
    m_measureSound = nullptr;
}

void CProjectEngineSettings::DeleteUnusedRecordings() {
    for (auto entry = m_recordingsMade.rbegin(); entry != m_recordingsMade.rend(); ++entry) {
        if (entry->empty() || !m_prefs.bDeleteUnusedRecordings || m_mixer.SoundExists(*entry))
            continue;
        std::error_code error;
        if (!std::filesystem::remove(*entry, error))
            LogFmt("DeleteUnusedRecordings - Could not delete '%s'", entry->c_str());
    }
    m_recordingsMade.clear();
}

double CProjectEngineSettings::GetMasterVolume() const {
    return m_mixer.GetMasterVolume();
}

void CProjectEngineSettings::SetMasterVolume(double volume, bool undo) {
    const double before = m_mixer.GetMasterVolume();
    m_mixer.SetMasterVolume(volume);
    const double after = m_mixer.GetMasterVolume();
    if (after == before)
        return;
    if (undo)
        m_undo.AddUndoNode(CMasterVolUndo(m_project, before, after));
    m_undo.SetDirty(true);
}

CEffectChain* CProjectEngineSettings::GetMasterEffectChain() const {
    return m_mixer.GetMasterEffectChain();
}
