#include "project/CAudioClip.h"

#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CPeaks.h"
#include "engine/CSoundLevels.h"
#include "engine/CSoundLoader.h"
#include "engine/TempoMap.h"
#include "engine/WaveFormat.h"
#include "gui/VRGuiWindow.h"
#include "project/AudioClipRecord.h"
#include "project/CAudioClipUndo.h"
#include "project/CMixerLock.h"
#include "project/CSoundTransfer.h"
#include "project/ClipDocument.h"
#include "project/ClipEnvelopeRecord.h"
#include "project/LegacySoundRecord.h"
#include "support/CRIFF.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>
#include <utility>
#include <vector>

namespace {

ClipEnvelopeRecord::Envelopes EnvelopesOf(CPCMSound& sound) {
    ClipEnvelopeRecord::Envelopes envelopes{};
    for (int type = 0; type < ClipEnvelopeRecord::kTypeCount; ++type)
        envelopes[type] = sound.GetEnvelopeByType(type);
    return envelopes;
}

unsigned long Address(const void* object) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(object));
}

} // namespace

CAudioClip::CAudioClip(ClipDocument& document) : CClip(ClipKind::kAudio), m_document(document) {
    LogFmt("CAudioClip 0x%08lX", Address(this));
}

CAudioClip::CAudioClip(const CAudioClip& other)
    : CClip(ClipKind::kAudio), m_document(other.m_document), m_tempo(other.m_tempo),
      m_obeyTempoMap(other.m_obeyTempoMap), m_obeyKeyMap(other.m_obeyKeyMap),
      m_forceTempo(other.m_forceTempo), m_forcedTempo(other.m_forcedTempo),
      m_forceKey(other.m_forceKey), m_forcedKey(other.m_forcedKey),
      m_soundDamage(other.m_soundDamage) {
    LogFmt("CAudioClip 0x%08lX", Address(this));
    m_peaks = other.m_peaks;
    CopyBaseFields(other);
    if (other.m_atom)
        AttachAtom(new CPCMSound(*other.m_atom));
    UpdateLabel();
}

CAudioClip::CAudioClip(const CAudioClip& other, double startMs, double endMs) : CAudioClip(other) {
    if (other.m_atom)
        AttachAtom(new CPCMSound(*other.m_atom, startMs, endMs));
}

CAudioClip::~CAudioClip() {
    LogFmt("~CAudioClip 0x%08lX", Address(this));
    if (m_atom)
        CAudioAtom::DeleteAtom(m_atom);
}

void CAudioClip::AttachAtom(CPCMSound* atom) {
    if (m_atom)
        CAudioAtom::DeleteAtom(m_atom);
    m_atom = atom;
    UpdateAppearance();
}

bool CAudioClip::LoadFromFile(const std::string& path, bool obeyTempoMap) {
    LoadedSound loaded = CSoundLoader::Load(path, kMixerSampleRate);
    if (!loaded.data) {
        LogFmt("CAudioClip::LoadFromFile() : Couldn't open '%s'", path.c_str());
        return false;
    }
    LogFmt("CAudioClip::LoadFromFile() : Successfully opened '%s'", path.c_str());
    auto* sound = new CPCMSound;
    if (!sound->SetSoundData(loaded.data, path)) {
        CAudioAtom::DeleteAtom(sound);
        return false;
    }
    sound->SetTempoInfo(loaded.tempo, loaded.rootNote, loaded.beatLengthMs, loaded.beatCount);
    AttachAtom(sound);
    m_soundDamage = loaded.damage;
    m_peaks = CPeaks::OnDemand(loaded.data);
    m_tempo = sound->GetSoundTempo();
    m_obeyTempoMap = obeyTempoMap && m_tempo > 0.0;
    if (sound->GetSoundHasRootNote())
        SetKeyRoot(sound->GetSoundRootNote());
    m_obeyKeyMap = sound->GetSoundHasRootNote();
    // A name without an extension keeps every letter: only a real extension
    // and its period are taken off.
    SetNameField(RemoveExtensionFromFile(ExtractFileName(path), true));
    UpdateLabel();
    return true;
}

std::string CAudioClip::GetFilePath() const {
    return m_atom ? m_atom->GetFilePath() : std::string();
}

CAudioAtom* CAudioClip::GetEngineAtom() const {
    return m_atom;
}

double CAudioClip::GetOffsetMs() const {
    return m_atom ? m_atom->GetVirtualTimeStart() : 0.0;
}

double CAudioClip::GetMediaLengthMs() const {
    return m_atom ? m_atom->GetMediaLength() : 0.0;
}

double CAudioClip::GetRate() const {
    return m_atom ? m_atom->Rate() : 1.0;
}

void CAudioClip::SetRate(double rate, bool undoable) {
    if (!m_atom || rate == GetRate())
        return;
    if (undoable)
        BeginChange();
    ChangeRate(rate);
    if (undoable)
        EndChange();
}

bool CAudioClip::ChangeRate(double rate) {
    const double oldRate = GetRate();
    // The slow part, outside the mixer's lock: the engine swaps the new
    // material in under the sound's own.
    if (!m_atom->Rate(rate))
        return false;
    const double ratio = oldRate / rate;
    CMixerLock lock(m_document.ClipMixer(), *m_atom);
    m_atom->SetVirtualTimeStart(GetOffsetMs() * ratio);
    m_atom->SetLoopStart(GetLoopStart() * ratio);
    m_atom->SetLoopEnd(GetLoopEnd() * ratio);
    m_atom->GetClipAudioBuffer().Scale(ratio);
    return true;
}

int32_t CAudioClip::GetBeatOffset() const {
    const int32_t offset = CClip::GetBeatOffset();
    if (GetLoopStart() > offset)
        return 0;
    if (GetDragState() == 0 || GetHitZone() != kZoneResizeLeft)
        return offset;
    const auto moved = static_cast<int32_t>(std::lround(GetStartMs())) - GetStartAtPress();
    return std::max(offset - moved, 0);
}

double CAudioClip::GetSoundTempo() const {
    return m_atom ? m_atom->GetSoundTempo() : 0.0;
}

void CAudioClip::SetTempo(double bpm, bool undoable) {
    if (!m_atom || !(bpm > 0.0) || (m_forceTempo && bpm == m_forcedTempo))
        return;
    if (undoable)
        BeginChange();
    m_forceTempo = true;
    m_forcedTempo = bpm;
    m_tempo = bpm;
    FollowTempo();
    if (undoable)
        EndChange();
}

void CAudioClip::SetObeyTempoMap(bool obey, bool undoable) {
    if (!m_atom || obey == m_obeyTempoMap)
        return;
    if (undoable)
        BeginChange();
    m_obeyTempoMap = obey;
    FollowTempo();
    if (undoable)
        EndChange();
}

void CAudioClip::SetKey(int32_t rootNote, bool undoable) {
    if (!m_atom || rootNote <= 0 || rootNote >= 128 || (m_forceKey && rootNote == m_forcedKey))
        return;
    if (undoable)
        BeginChange();
    m_forceKey = true;
    m_forcedKey = rootNote;
    SetKeyRoot(rootNote);
    FollowKey();
    if (undoable)
        EndChange();
}

void CAudioClip::SetObeyKeyMap(bool obey, bool undoable) {
    if (!m_atom || obey == m_obeyKeyMap)
        return;
    if (undoable)
        BeginChange();
    m_obeyKeyMap = obey;
    FollowKey();
    if (undoable)
        EndChange();
}

double CAudioClip::GetPitchShift() const {
    return m_atom ? m_atom->PitchShift() : 0.0;
}

void CAudioClip::SetPitchShift(double semitones, bool undoable) {
    if (!m_atom || semitones == GetPitchShift())
        return;
    if (undoable)
        BeginChange();
    m_atom->SetPitchShift(semitones, GetPitchRateCorrect());
    if (undoable)
        EndChange();
}

bool CAudioClip::GetPitchRateCorrect() const {
    return !m_atom || m_atom->GetClipAudioBuffer().GetRatePitchCorrect();
}

void CAudioClip::SetPitchRateCorrect(bool correct, bool undoable) {
    if (!m_atom || correct == GetPitchRateCorrect())
        return;
    if (undoable)
        BeginChange();
    m_atom->SetPitchShift(GetPitchShift(), correct);
    if (undoable)
        EndChange();
}

void CAudioClip::FollowTempoAndKey(bool undoable) {
    if (!m_atom)
        return;
    if (undoable)
        BeginChange();
    FollowTempo();
    FollowKey();
    if (undoable)
        EndChange();
}

void CAudioClip::FollowTempo() {
    const double projectTempo = m_document.TempoAt(GetStartMs());
    if (!m_obeyTempoMap || !(m_tempo > 0.0) || !(projectTempo > 0.0))
        return;
    const double oldRate = GetRate();
    const double rate = projectTempo / m_tempo;
    if (rate == oldRate || !ChangeRate(rate))
        return;
    CMixerLock lock(m_document.ClipMixer(), *m_atom);
    m_atom->SetVirtualLength(GetLengthMs() * oldRate / rate);
}

void CAudioClip::FollowKey() {
    const int32_t projectRoot = TempoMap::GetKeyRoot(m_document.KeyAt(GetStartMs()));
    if (!m_obeyKeyMap || projectRoot < 0 || GetKeyRoot() <= 0)
        return;
    // The nearer way to the project's root: at most a tritone down or up.
    int32_t semitones = (projectRoot - GetKeyRoot() % 12 + 12) % 12;
    if (semitones > 5)
        semitones -= 12;
    m_atom->SetPitchShift(semitones, GetPitchRateCorrect());
}

void CAudioClip::StretchTo(double startMs, double lengthMs, double rate) {
    if (!m_atom || !(lengthMs >= kMinimumLengthMs) || !(startMs >= 0.0))
        return;
    if (rate != GetRate() && !ChangeRate(rate))
        return;
    CMixerLock lock(m_document.ClipMixer(), *m_atom);
    m_atom->SetHeardOffset(startMs);
    m_atom->SetVirtualLength(lengthMs);
}

CEnvelope* CAudioClip::GetEnvelopeByType(int32_t type) {
    return m_atom ? m_atom->GetEnvelopeByType(type) : nullptr;
}

void CAudioClip::Normalize() {
    const CSoundData* data = m_atom ? m_atom->PlayData() : nullptr;
    if (!data)
        return;
    CEnvelope& volume = m_atom->GetClipAudioBuffer().GetVolumeEnvelope();
    const double start = GetOffsetMs();
    const double end = std::fmin(start + GetLengthMs(), m_atom->DataLength());
    const double peak = CSoundLevels::Peak(*data, start, end, &volume);
    if (!(peak > 0.0))
        return; // silence has no level to raise
    BeginEnvelopeChange(kEnvelopeVolume);
    {
        CMixerLock lock(m_document.ClipMixer());
        CEnvelopeFunctions::ScaleValues(volume, 1.0 / peak);
    }
    EndEnvelopeChange();
}

void CAudioClip::TrimSilence() {
    const CSoundData* data = m_atom ? m_atom->PlayData() : nullptr;
    if (!data)
        return;
    const double offset = GetOffsetMs();
    const double shownEnd = offset + GetLengthMs();
    const auto audible = CSoundLevels::AudibleSpan(*data, offset, shownEnd, kSilenceThreshold);
    if (!audible)
        return;
    // A clip that runs past the end of its sound repeats its loop there:
    // its end is not silence at the end of the material.
    const double end = shownEnd > m_atom->DataLength() ? shownEnd : audible->endMs;
    BeginChange();
    ResizeLeft(audible->startMs - offset, false);
    ResizeRight(end - audible->startMs, false);
    EndChange();
}

double CAudioClip::GetLoopStart() const {
    return m_atom ? m_atom->GetLoopStart() : 0.0;
}

double CAudioClip::GetLoopEnd() const {
    return m_atom ? m_atom->GetLoopEnd() : 0.0;
}

void CAudioClip::SetLoop(double startMs, double endMs, bool undoable) {
    if (!m_atom || (startMs == GetLoopStart() && endMs == GetLoopEnd()))
        return;
    if (undoable)
        BeginChange();
    {
        CMixerLock lock(m_document.ClipMixer(), *m_atom);
        m_atom->SetLoopStart(startMs);
        m_atom->SetLoopEnd(endMs);
    }
    if (undoable)
        EndChange();
    Invalidate(nullptr);
}

void CAudioClip::SetLoopToTrim() {
    Log("CAudioClip::SetLoopToTrim() ENTER");
    if (m_atom) {
        const double factor = m_obeyTempoMap && m_tempo > 0.0 ? 120.0 / m_tempo : 1.0 / GetRate();
        double newStart = GetOffsetMs() * factor;
        double newEnd = std::fmin((GetOffsetMs() + GetLengthMs()) * factor, GetLoopEnd());
        const double n = std::round(m_atom->DataLength() + 1.0);
        if (n > 0.0 && std::isfinite(newStart) && std::isfinite(newEnd)) {
            if (newEnd >= n)
                newEnd = std::fmod(std::trunc(newEnd), n);
            if (newStart >= n)
                newStart = std::fmod(std::trunc(newStart), n);
            if (newStart > newEnd)
                std::swap(newStart, newEnd);
            SetLoop(newStart, newEnd, true);
        }
    }
    Log("CAudioClip::SetLoopToTrim() EXIT");
}

void CAudioClip::ResizeLeft(double deltaMs, bool undoable) {
    if (!m_atom || !std::isfinite(deltaMs))
        return;
    // Never past the right edge less the shortest clip, never before the
    // sound's start. Offsets count in played time, as the timeline does.
    const double shift =
        std::clamp(deltaMs, -GetOffsetMs(), std::fmax(GetLengthMs() - kMinimumLengthMs, 0.0));
    if (shift == 0.0)
        return;
    if (undoable)
        BeginChange();
    {
        CMixerLock lock(m_document.ClipMixer(), *m_atom);
        m_atom->SetHeardOffset(GetHeardStartMs() + shift);
        m_atom->SetVirtualTimeStart(GetOffsetMs() + shift);
        m_atom->SetVirtualLength(GetLengthMs() - shift);
        const auto envelopeShift = static_cast<int32_t>(std::lround(-shift));
        m_atom->GetClipAudioBuffer().OffsetEnvelopes(envelopeShift);
        SetEnvelopeShiftMs(GetEnvelopeShiftMs() + envelopeShift);
    }
    if (undoable)
        EndChange();
}

void CAudioClip::SetAtomLength(double lengthMs) {
    if (m_atom)
        m_atom->SetVirtualLength(lengthMs);
}

void CAudioClip::SetFadeInMs(int32_t ms) {
    CClip::SetFadeInMs(ms);
    if (m_atom && !IsRecording())
        m_atom->GetClipAudioBuffer().SetFadeInMs(ms);
}

void CAudioClip::SetFadeOutMs(int32_t ms) {
    CClip::SetFadeOutMs(ms);
    if (m_atom && !IsRecording())
        m_atom->GetClipAudioBuffer().SetFadeOutMs(ms);
}

void CAudioClip::BeginChange() {
    m_undoBefore = {};
    FillUndoStruct(&m_undoBefore);
}

void CAudioClip::EndChange() {
    AudioClipUndoStruct after;
    FillUndoStruct(&after);
    if (!(after == m_undoBefore)) {
        RecordChange(CAudioClipUndo(m_document, CAudioClipUndo::kChanged, m_undoBefore, after, this,
                                    GetEnvelopeShiftMs()));
    }
    SetEnvelopeShiftMs(0);
}

bool CAudioClip::FillUndoStruct(AudioClipUndoStruct* state) const {
    LogFmt("FillUndoStruct called on CAudioClip 0x%08lX", Address(this));
    if (!m_atom)
        return false;
    AudioClipUndoStruct s;
    s.position = m_atom->AbsoluteOffset();
    s.length = m_atom->Length();
    s.offset = m_atom->GetVirtualTimeStart();
    s.loopStart = m_atom->GetLoopStart();
    s.loopEnd = m_atom->GetLoopEnd();
    s.trackIndex = GetTrackIndex();
    s.rate = m_atom->Rate();
    s.pitchShift = m_atom->PitchShift();
    s.name = GetName();
    s.beatOffsetMs = CClip::GetBeatOffset();
    s.obeyKeyMap = m_obeyKeyMap;
    s.keyRoot = GetKeyRoot();
    s.tempo = m_tempo;
    s.obeyTempoMap = m_obeyTempoMap;
    s.ratePitchCorrect = m_atom->GetClipAudioBuffer().GetRatePitchCorrect();
    s.selected = IsSelected();
    s.locked = IsLocked();
    s.muted = m_atom->IsMuted();
    s.forceTempo = m_forceTempo;
    s.forcedTempo = m_forceTempo ? m_forcedTempo : 0.0;
    s.forceKey = m_forceKey;
    s.forcedKey = m_forceKey ? m_forcedKey : 0;
    s.fadeInMs = GetFadeInMs();
    s.fadeOutMs = GetFadeOutMs();
    *state = std::move(s);
    Log("FillUndoStruct exiting.");
    return true;
}

bool CAudioClip::RestoreToUndoState(const AudioClipUndoStruct& s, int32_t envelopeShiftMs) {
    LogFmt("RestoreToUndoState called on CAudioClip 0x%08lX", Address(this));
    if (!m_atom)
        return false;
    // The rate first, outside the lock (slow); the envelopes follow the
    // material as they did when the rate was changed.
    const double oldRate = GetRate();
    m_atom->GetClipAudioBuffer().SetRatePitchCorrect(s.ratePitchCorrect);
    if (m_atom->Rate(s.rate) && s.rate != oldRate)
        m_atom->GetClipAudioBuffer().Scale(oldRate / s.rate);
    {
        CMixerLock lock(m_document.ClipMixer(), *m_atom);
        CClipAudioBuffer& buffer = m_atom->GetClipAudioBuffer();
        buffer.OffsetEnvelopes(envelopeShiftMs);
        m_obeyTempoMap = s.obeyTempoMap;
        m_obeyKeyMap = s.obeyKeyMap;
        m_forceTempo = s.forceTempo;
        m_forcedTempo = s.forcedTempo;
        m_forceKey = s.forceKey;
        m_forcedKey = s.forcedKey;
        m_atom->SetPitchShift(s.pitchShift, s.ratePitchCorrect);
        m_atom->SetLoopStart(s.loopStart);
        m_atom->SetLoopEnd(s.loopEnd);
        m_atom->SetVirtualTimeStart(s.offset);
        m_atom->SetVirtualLength(s.length);
        m_atom->Mute(s.muted);
        buffer.SetFadeInMs(s.fadeInMs);
        buffer.SetFadeOutMs(s.fadeOutMs);
    }
    if (s.name != GetName())
        SetNameField(s.name);
    SetBeatOffsetField(s.beatOffsetMs);
    SetKeyRoot(s.keyRoot);
    m_tempo = s.tempo;
    SetLockedField(s.locked);
    CClip::SetFadeInMs(s.fadeInMs);
    CClip::SetFadeOutMs(s.fadeOutMs);
    UpdateLabel();
    UpdateAppearance();
    if (s.trackIndex >= 0 && m_document.PlaceClip(*this, s.trackIndex, s.position))
        m_atom->SetTrackNumber(m_document.EngineTrackNumber(s.trackIndex));
    FitToTiming();
    SetSelected(s.selected);
    SendSelection(s.selected);
    Log("RestoreToUndoState exiting.");
    return true;
}

std::optional<std::vector<RawChunk>> CAudioClip::MakeFileChunks() {
    if (!ContinueSave() || !m_atom || GetFilePath().empty())
        return std::nullopt;
    std::string path = GetFilePath();
    CSoundTransfer* transfer = m_document.SoundTransfer();
    if (transfer && transfer->Wants(GetSoundId() != 0)) {
        path = transfer->Transfer(path);
        if (path.empty())
            return std::nullopt;
    }
    AudioClipRecord record;
    record.absolutePath = path;
    record.relativePath = AbsoluteToRelative(path, m_document.ProjectFilePath());
    record.soundId = GetSoundId();
    record.position = GetStartMs();
    record.length = GetLengthMs();
    record.offset = GetOffsetMs();
    record.loopStart = GetLoopStart();
    record.loopEnd = GetLoopEnd();
    record.trackIndex = GetTrackIndex();
    record.rate = GetRate();
    record.pitchShift = m_atom->PitchShift();
    record.name = GetName();
    record.beatOffsetMs = CClip::GetBeatOffset();
    record.obeyKeyMap = m_obeyKeyMap;
    record.key = GetKeyRoot();
    record.tempo = m_tempo;
    record.obeyTempoMap = m_obeyTempoMap;
    record.ratePitchCorrect = m_atom->GetClipAudioBuffer().GetRatePitchCorrect();
    record.selected = IsSelected();
    record.locked = IsLocked();
    record.muted = IsMuted();
    record.forceTempo = m_forceTempo;
    record.forcedTempo = m_forcedTempo;
    record.forceKey = m_forceKey;
    record.forcedKey = m_forcedKey;
    std::vector<RawChunk> chunks(2);
    chunks[0].code = AudioClipRecord::kChunkCode;
    chunks[0].body = record.ToBytes();
    chunks[1].code = ClipEnvelopeRecord::kChunkCode;
    chunks[1].body = ClipEnvelopeRecord::FromEnvelopes(EnvelopesOf(*m_atom)).ToBytes();
    return chunks;
}

bool CAudioClip::Save(CRIFF& riff) {
    const std::optional<std::vector<RawChunk>> chunks = MakeFileChunks();
    if (!chunks)
        return false;
    for (const RawChunk& chunk : *chunks) {
        if (!chunk.Write(riff)) {
            Log("CAudioClip::Save failed on WriteSubChunk - returning false!");
            return false;
        }
    }
    return true;
}

bool CAudioClip::TryFile(const std::string& path, bool obeyTempoMap) {
    // A path from a damaged file may be too long for the system: that is
    // no file, not an error to throw.
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error) &&
           LoadFromFile(path, obeyTempoMap);
}

bool CAudioClip::FindAndLoadSound(const AudioClipRecord& record, bool obeyTempoMap) {
    const std::string& project = m_document.ProjectFilePath();
    const std::string nextToProject =
        ExtractDirectory(project) + ExtractFileName(ToNativeSeparators(record.absolutePath));
    if (record.IsVersion10())
        LogFmt("Loading Absolute File %s", record.absolutePath.c_str());
    if (TryFile(record.absolutePath, obeyTempoMap))
        return true;
    if (TryFile(RelativeToAbsolute(record.relativePath, project), obeyTempoMap))
        return true;
    if (record.IsVersion10())
        LogFmt("Loading Current Directory File %s", nextToProject.c_str());
    if (!ExtractDirectory(project).empty() && TryFile(nextToProject, obeyTempoMap))
        return true;
    if (record.soundId != 0) {
        if (const auto libraryFile = m_document.SoundLibraryFile(record.soundId)) {
            LogFmt("Attempting to load Sound ID file %s", libraryFile->c_str());
            SetSoundId(record.soundId);
            if (TryFile(*libraryFile, obeyTempoMap))
                return true;
        }
    }
    bool found = false;
    if (TryToFindFile(record.absolutePath, obeyTempoMap, found))
        return true;
    LogFmt(found ? "Unable to load sound %s." : "Unable to find sound %s.",
           record.absolutePath.c_str());
    return false;
}

bool CAudioClip::TryToFindFile(const std::string& path, bool obeyTempoMap, bool& found) {
    LogFmt("CAudioClip::TryToFindFile - '%s'", path.c_str());
    const auto location = m_document.FindMissingSound(path);
    found = location.has_value();
    if (!found)
        return false;
    LogFmt("CAudioClip::TryToFindFile - new location = '%s'", location->c_str());
    return TryFile(*location, obeyTempoMap);
}

bool CAudioClip::FindLegacySound(const std::string& path, bool obeyTempoMap) {
    const std::string& project = m_document.ProjectFilePath();
    LogFmt("Legacy Load Path: %s, Legacy Project File Path: %s", path.c_str(), project.c_str());
    const std::string stored = ToNativeSeparators(path);
    const std::string absolute = RelativeToAbsolute(stored, project);
    if (absolute.empty()) {
        Log("Failed to convert to absolute path.");
    } else {
        LogFmt("Legacy Loading Absolute Path %s", absolute.c_str());
        if (TryFile(absolute, obeyTempoMap))
            return true;
    }
    if (!ExtractDirectory(project).empty()) {
        const std::string nextToProject = ExtractDirectory(project) + ExtractFileName(stored);
        LogFmt("Legacy Loading Current Directory %s", nextToProject.c_str());
        if (TryFile(nextToProject, obeyTempoMap))
            return true;
    }
    LogFmt("Legacy Loading Relative Path %s", stored.c_str());
    if (TryFile(stored, obeyTempoMap))
        return true;
    bool found = false;
    if (TryToFindFile(path, obeyTempoMap, found))
        return true;
    LogFmt(found ? "Unable to load legacy sound %s." : "Unable to find legacy sound %s.",
           path.c_str());
    return false;
}

bool CAudioClip::LegacyLoad(CRIFF& riff) {
    if (!SaveLoad::LegacyLoad(riff))
        return false;
    LegacySoundRecord record;
    if (record.Read(riff) != ProjectReadError::None ||
        !FindLegacySound(record.path, m_document.AutoBeatMatch()) || IsCancelled()) {
        Log("CAudioClip::LegacyLoad - returning false!");
        return false;
    }
    return true;
}

bool CAudioClip::Load(CRIFF& riff) {
    if (!SaveLoad::Load(riff))
        return false;
    if (!riff.SeekToChunk(AudioClipRecord::kChunkCode)) {
        Log("CAudioClip::Load - could not find FOURCC_AUDIO_CLIP - returning false!");
        return false;
    }
    AudioClipRecord record;
    if (record.Read(riff) != ProjectReadError::None)
        return false;
    if (!record.IsVersion10())
        SetSoundId(record.soundId);
    const bool obeyTempoMap =
        m_document.AutoBeatMatch() || record.obeyTempoMap || record.obeyKeyMap;
    if (!FindAndLoadSound(record, obeyTempoMap) || IsCancelled())
        return false;
    record.FitLoopTo(m_atom->DataLength());
    AudioClipUndoStruct state;
    state.position = record.position;
    state.length = record.length;
    state.offset = record.offset;
    state.loopStart = record.loopStart;
    state.loopEnd = record.loopEnd;
    state.trackIndex = -1; // the loading track places the clip
    state.rate = record.rate;
    state.pitchShift = record.pitchShift;
    state.name = record.name;
    state.beatOffsetMs = record.beatOffsetMs;
    state.obeyKeyMap = record.obeyKeyMap;
    state.keyRoot = record.key;
    state.tempo = record.tempo;
    state.obeyTempoMap = record.obeyTempoMap;
    state.ratePitchCorrect = record.ratePitchCorrect;
    state.locked = record.locked;
    state.muted = record.muted;
    state.forceTempo = record.forceTempo;
    state.forcedTempo = record.forcedTempo;
    state.forceKey = record.forceKey;
    state.forcedKey = record.forcedKey;
    SetSoundId(record.soundId);
    m_atom->SetAbsoluteOffset(record.position);
    RestoreToUndoState(state, 0);
    ClipEnvelopeRecord envelopes;
    if (envelopes.Read(riff) != ProjectReadError::None) {
        Log(record.IsVersion10()
                ? "CAudioClip::Legacy - failed on reading envelope - returning false!"
                : "AudioClip::Load failed to load Guienvelope! returning false!");
        return false;
    }
    envelopes.ApplyTo(EnvelopesOf(*m_atom));
    return true;
}

void CAudioClip::OnDraw(const GuiRect& r) {
    GuiTexturePanel::OnDraw(r);
    DrawWaveform(r);
}

bool CAudioClip::GetToolTip(GuiPoint p, std::string& text) {
    const bool zoneTip = CClip::GetToolTip(p, text);
    if (m_soundDamage.empty() || p.x < 0 || p.y < 0)
        return zoneTip;
    const std::string damage = MyLoadString("Clip_TT_SoundDamaged") + " (" + m_soundDamage + ")";
    text = zoneTip ? damage + "\n" + text : damage;
    return true;
}

void CAudioClip::DrawWaveform(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (!m_peaks || !m_atom || !window || GetWidth() <= 0 || r.Width() <= 0)
        return;
    const CWaveformColumns::View view{m_peaks, GetWidth(), GetOffsetMs(), GetLengthMs(), GetRate()};
    const std::span<const PeakRange> columns = m_waveform.Columns(view, r.left, r.right);
    if (columns.empty())
        return;
    cairo_t* cr = window->GetDrawContext();
    const double middle = (kTitleStripHeight + GetHeight()) / 2.0;
    const double half = (GetHeight() - kTitleStripHeight) / 2.0;
    cairo_set_source_rgba(cr, 0.1, 0.1, 0.15, 0.8);
    cairo_set_line_width(cr, 1.0);
    const int32_t left = std::max(r.left, 0);
    for (size_t i = 0; i < columns.size(); ++i) {
        const double x = left + static_cast<double>(i) + 0.5;
        cairo_move_to(cr, x, middle - columns[i].max * half);
        cairo_line_to(cr, x, middle - columns[i].min * half + 1.0);
    }
    cairo_stroke(cr);
}

bool CAudioClip::OffersMenuItem(int index) const {
    const bool ownItem = index == 0 || index == 6 || index == 13 || (index >= 15 && index <= 24) ||
                         (index >= 26 && index <= 28) || (index >= 30 && index <= 32) ||
                         (index >= 34 && index <= 37) || (index >= 39 && index <= 42);
    return ownItem || CClip::OffersMenuItem(index);
}

bool CAudioClip::DoesMenuItemItself(int index) const {
    return index == kMenuTrimSilence || index == kMenuNormalize || CClip::DoesMenuItemItself(index);
}

void CAudioClip::DoMenuItemItself(int index) {
    if (index == kMenuTrimSilence)
        TrimSilence();
    else if (index == kMenuNormalize)
        Normalize();
    else
        CClip::DoMenuItemItself(index);
}

int CAudioClip::GetClipKey() const {
    // The key table starts at A, nine semitones above C; a root note gives
    // its major key.
    const int32_t root = GetKeyRoot();
    return root > 0 ? (root % 12 + 3) % 12 : -1;
}

bool CAudioClip::BeatMatchFromAnalysis() {
    if (m_tempo <= 0)
        return false;
    SetObeyTempoMap(true, true);
    FollowTempoAndKey(true);
    return true;
}
