#include "engine/CPCMSound.h"

#include "engine/CSoundLoader.h"
#include "engine/CSoundStretcher.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

double NonNegative(double ms) {
    return std::isnan(ms) || ms < 0.0 ? 0.0 : ms;
}

bool RateInRange(double rate) {
    return rate >= 1.0 / 16.0 && rate <= 16.0;
}

} // namespace

CPCMSound::CPCMSound() = default;

CPCMSound::CPCMSound(const CPCMSound& other)
    : CAudioAtom(), m_sourceData(other.m_sourceData), m_playData(other.m_playData),
      m_sharedPlayData(other.m_playData), m_path(other.m_path),
      m_virtualStartMs(other.GetVirtualTimeStart()), m_lengthMs(other.Length()),
      m_loopStartMs(other.GetLoopStart()), m_loopEndMs(other.GetLoopEnd()), m_rate(other.Rate()),
      m_pitchShift(other.PitchShift()), m_tempo(other.m_tempo), m_rootNote(other.m_rootNote),
      m_beatLengthMs(other.m_beatLengthMs), m_beatCount(other.m_beatCount),
      m_clipBuffer(other.m_clipBuffer) {
    SetAbsoluteOffset(other.AbsoluteOffset());
    SetTrackNumber(other.GetTrackNumber());
    Mute(other.IsMuted());
}

CPCMSound::CPCMSound(const CPCMSound& other, double startMs, double endMs) : CPCMSound(other) {
    const double begin = std::clamp(startMs, other.AbsoluteOffset(), other.EndTime());
    const double end = std::clamp(endMs, begin, other.EndTime());
    const double cut = begin - other.AbsoluteOffset();
    SetAbsoluteOffset(begin);
    m_virtualStartMs = WrapIntoLoop(other.GetVirtualTimeStart() + cut);
    SetVirtualLength(end - begin);
    m_clipBuffer.OffsetEnvelopes(-cut);
}

bool CPCMSound::EasyLoad(const std::string& path) {
    LoadedSound loaded = CSoundLoader::Load(path, kMixerSampleRate);
    if (!loaded.data) {
        LogFmt("CPCMSound::EasyLoad failed on '%s': %s", path.c_str(), loaded.error.c_str());
        return false;
    }
    if (!SetSoundData(loaded.data, path))
        return false;
    SetTempoInfo(loaded.tempo, loaded.rootNote, loaded.beatLengthMs, loaded.beatCount);
    return true;
}

bool CPCMSound::SetSoundData(std::shared_ptr<const CSoundData> data, const std::string& path) {
    if (!data || data->Rate() != kMixerSampleRate) {
        LogFmt("CPCMSound::SetSoundData refused data for '%s' (missing or not at %d Hz)",
               path.c_str(), kMixerSampleRate);
        return false;
    }
    std::shared_ptr<const CSoundData> oldSource;
    std::shared_ptr<const CSoundData> oldPlay;
    Lock();
    oldSource = std::exchange(m_sourceData, data);
    oldPlay = std::exchange(m_playData, std::move(data));
    m_sharedPlayData.store(m_playData);
    m_rate = 1.0;
    m_pitchShift = 0.0;
    Unlock();
    m_path = path;
    const double length = DataLength();
    m_virtualStartMs = 0.0;
    m_loopStartMs = 0.0;
    m_loopEndMs = length;
    SetVirtualLength(length);
    return true;
}

bool CPCMSound::HasData() const {
    return m_playData && m_playData->Frames() > 0;
}

void CPCMSound::SetVirtualLength(double ms) {
    m_lengthMs = NonNegative(ms);
    m_clipBuffer.SetEnvelopeLengthMs(Length());
}

void CPCMSound::SetVirtualTimeStart(double ms) {
    m_virtualStartMs = NonNegative(ms);
}

void CPCMSound::SetLoopStart(double ms) {
    m_loopStartMs = NonNegative(ms);
}

void CPCMSound::SetLoopEnd(double ms) {
    m_loopEndMs = NonNegative(ms);
}

int64_t CPCMSound::DataFrames() const {
    return m_playData ? m_playData->Frames() : 0;
}

double CPCMSound::DataLength() const {
    return m_playData ? m_playData->LengthMs() : 0.0;
}

bool CPCMSound::Rate(double rate) {
    if (!RateInRange(rate))
        return false;
    if (rate == Rate())
        return true;
    return Reprocess(rate, PitchShift(), m_clipBuffer.GetRatePitchCorrect());
}

bool CPCMSound::SetPitchShift(double semitones, bool ratePitchCorrect) {
    if (std::isnan(semitones) || semitones < -48.0 || semitones > 48.0)
        return false;
    if (semitones == PitchShift() && ratePitchCorrect == m_clipBuffer.GetRatePitchCorrect())
        return true;
    return Reprocess(Rate(), semitones, ratePitchCorrect);
}

bool CPCMSound::Reprocess(double rate, double semitones, bool ratePitchCorrect) {
    std::shared_ptr<const CSoundData> processed;
    if (m_sourceData) {
        // Without correction the pitch rides on the speed, as on a tape.
        const double pitch = ratePitchCorrect ? semitones : semitones + 12.0 * std::log2(rate);
        processed = CSoundStretcher::Process(m_sourceData, rate, pitch);
        if (!processed) {
            LogFmt("CPCMSound::Reprocess failed for '%s' (rate %f, pitch %f)", m_path.c_str(), rate,
                   pitch);
            return false;
        }
    }
    std::shared_ptr<const CSoundData> old;
    Lock();
    if (processed) {
        old = std::exchange(m_playData, std::move(processed));
        m_sharedPlayData.store(m_playData);
    }
    m_rate = rate;
    m_pitchShift = semitones;
    m_clipBuffer.SetRatePitchCorrect(ratePitchCorrect);
    Unlock();
    return true; // the old data is released here, outside the lock
}

void CPCMSound::SetTempoInfo(double tempo, int rootNote, double beatLengthMs, int beatCount) {
    m_tempo = tempo > 0.0 ? tempo : 0.0;
    m_rootNote = rootNote > 0 && rootNote < 128 ? rootNote : 0;
    m_beatLengthMs = beatLengthMs > 0.0 ? beatLengthMs : 0.0;
    m_beatCount = beatCount > 0 ? beatCount : 0;
}

double CPCMSound::WrapIntoLoop(double ms) const {
    const double start = GetLoopStart();
    const double span = GetLoopEnd() - start;
    if (span <= 0.0 || ms < GetLoopEnd())
        return ms;
    return start + std::fmod(ms - start, span);
}
