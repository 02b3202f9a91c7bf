#include "engine/CPCMMixer.h"

#include "engine/CEffectChain.h"
#include "engine/CGMInstrument.h"
#include "engine/CJackDevice.h"
#include "engine/CMonitoredInputs.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMSound.h"
#include "engine/CRtAudioDevice.h"
#include "engine/CSoundGroup.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>

CPCMMixer::CPCMMixer()
    : m_soundGroup(new CSoundGroup()), m_masterChain(std::make_unique<CEffectChain>()),
      m_nullDevice(std::make_unique<CNullDevice>(*this)),
      m_monitoredInputs(std::make_unique<CMonitoredInputs>(*this)) {
    m_masterChain->Prepare(kMixerSampleRate, CMixRoutine::kChunkFrames);
}

CPCMMixer::~CPCMMixer() {
    CloseDevice();
    m_nullDevice->Stop();
    std::lock_guard<CLock> guard(m_lock);
    ReleasePlayingAtom();
    ReleaseMetronomeSounds();
    CAudioAtom::DeleteAtom(m_soundGroup);
    m_soundGroup = nullptr;
}

int64_t CPCMMixer::FramesOf(double ms) {
    if (std::isnan(ms))
        return 0;
    // Times come from project files too; keep frame sums far from overflow.
    constexpr double kLimitMs = 1e12;
    return std::llround(std::clamp(ms, -kLimitMs, kLimitMs) * kMixerSampleRate / 1000.0);
}

CPCMTrack* CPCMMixer::AddTrack() {
    std::lock_guard<CLock> guard(m_lock);
    m_tracks.push_back(std::make_unique<CPCMTrack>(GetNumTracks()));
    m_routine.Prepare(GetNumTracks());
    return m_tracks.back().get();
}

bool CPCMMixer::RemoveTrack(int trackNumber) {
    std::unique_lock<CLock> guard(m_lock);
    if (trackNumber < 0 || trackNumber >= GetNumTracks())
        return false;
    // Only a track that heard its input can leave a device unused.
    const bool heardInput = m_tracks[static_cast<size_t>(trackNumber)]->HearsInput();
    m_tracks.erase(m_tracks.begin() + trackNumber);
    for (int number = trackNumber; number < GetNumTracks(); ++number)
        m_tracks[static_cast<size_t>(number)]->SetTrackNumber(number);
    // Walk backwards: members of the removed track leave the group.
    for (int index = m_soundGroup->Count() - 1; index >= 0; --index) {
        CAudioAtom* atom = m_soundGroup->At(index);
        const int number = atom->GetTrackNumber();
        if (number == trackNumber) {
            atom->SetTrackNumber(-1);
            m_soundGroup->Remove(atom);
        } else if (number > trackNumber) {
            atom->SetTrackNumber(number - 1);
        }
    }
    m_routine.Prepare(GetNumTracks());
    guard.unlock();
    // A device that only the removed track monitored closes. Checking for
    // every removal would look at every track each time: removing them all
    // would take time growing with the square of their number.
    if (heardInput)
        m_monitoredInputs->Update();
    return true;
}

void CPCMMixer::RetimeSounds() {
    std::lock_guard<CLock> guard(m_lock);
    if (!m_soundGroup)
        return;
    for (int index = 0; index < m_soundGroup->Count(); ++index)
        m_soundGroup->At(index)->Retime();
}

double CPCMMixer::GetProjectTailTime() const {
    std::lock_guard<CLock> guard(m_lock);
    double longest = 0.0;
    for (const auto& track : m_tracks)
        longest = std::max(longest, track->GetTailMs());
    return longest + m_masterChain->GetTailMs();
}

double CPCMMixer::GetRingingEndTime(const CSoundGroup& group, int onlyTrack) const {
    std::lock_guard<CLock> guard(m_lock);
    const double lastSoundEnd = group.HeardEndTime();
    if (group.Count() == 0)
        return lastSoundEnd;
    bool anySolo = false;
    for (const auto& track : m_tracks)
        anySolo = anySolo || track->IsSolo();
    // Each track rings on from the end of its own last sound.
    std::vector<double> trackEnds(m_tracks.size(), -1.0);
    for (int index = 0; index < group.Count(); ++index) {
        const CAudioAtom* atom = group.At(index);
        const int number = atom->GetTrackNumber();
        if (number >= 0 && number < GetNumTracks())
            trackEnds[static_cast<size_t>(number)] =
                std::max(trackEnds[static_cast<size_t>(number)], atom->HeardEndTime());
    }
    double end = lastSoundEnd;
    for (int number = 0; number < GetNumTracks(); ++number) {
        const CPCMTrack& track = *m_tracks[static_cast<size_t>(number)];
        const bool counts =
            onlyTrack >= 0 ? number == onlyTrack : !track.IsMute() && (!anySolo || track.IsSolo());
        const double trackEnd = trackEnds[static_cast<size_t>(number)];
        if (counts && trackEnd >= 0.0)
            end = std::max(end, trackEnd + track.GetTailMs());
    }
    return onlyTrack >= 0 ? end : end + m_masterChain->GetTailMs();
}

CPCMTrack* CPCMMixer::GetTrack(int trackNumber) const {
    if (trackNumber < 0 || trackNumber >= GetNumTracks())
        return nullptr;
    return m_tracks[static_cast<size_t>(trackNumber)].get();
}

namespace {

void ResetFiltersOf(CAudioAtom* atom) {
    if (auto* sound = dynamic_cast<CPCMSound*>(atom)) {
        sound->GetClipAudioBuffer().ResetFilters();
    } else if (auto* group = dynamic_cast<CSoundGroup*>(atom)) {
        for (int index = 0; index < group->Count(); ++index)
            ResetFiltersOf(group->At(index));
    }
}

} // namespace

bool CPCMMixer::Play(CAudioAtom* atom, double fromMs, int /*flags*/) {
    if (!atom)
        return false;
    atom->AddReference();
    const double tailMs = GetProjectTailTime();
    std::unique_lock<CLock> guard(m_lock);
    // Held back until the streams are filled: the device plays idle blocks
    // meanwhile instead of the old playback.
    m_playing = false;
    ReleasePlayingAtom();
    m_playingAtom = atom;
    ResetFiltersOf(atom);
    m_routine.ResetClick();
    m_playTailMs = tailMs;
    m_positionFrames = FramesOf(std::max(fromMs, 0.0));
    m_paused = false;
    StartFromPosition(guard);
    return true;
}

namespace {

void CollectWindow(CAudioAtom* atom, const StreamPlan& plan, std::vector<CPCMSound*>& sounds) {
    if (auto* group = dynamic_cast<CSoundGroup*>(atom)) {
        for (int index = 0; index < group->Count(); ++index)
            CollectWindow(group->At(index), plan, sounds);
        return;
    }
    auto* sound = dynamic_cast<CPCMSound*>(atom);
    if (sound && CSoundReader::InWindow(plan, 0, CPCMMixer::FramesOf(sound->HeardOffset()),
                                        CPCMMixer::FramesOf(sound->Length())))
        sounds.push_back(sound);
}

} // namespace

void CPCMMixer::StartFromPosition(std::unique_lock<CLock>& guard) {
    const StreamPlan plan = StreamPlan::Make(m_positionFrames.load(), m_looping.load(),
                                             m_loopStartFrames.load(), m_loopEndFrames.load());
    std::vector<CPCMSound*> sounds;
    CollectWindow(m_playingAtom, plan, sounds);
    for (CPCMSound* sound : sounds)
        sound->AddReference();
    // Reading the start of many sounds takes long: the device must not find
    // the lock taken all that time. The mixing thread does not play now, so
    // it neither reads the streams nor tells the reader where it plays.
    guard.unlock();
    m_reader.Prefill(plan, sounds);
    for (CPCMSound* sound : sounds)
        CAudioAtom::DeleteAtom(sound);
    guard.lock();
    m_routine.RestartStreams();
    m_playing = true;
}

void CPCMMixer::MixWaitingForReader(float* out, int frames) {
    m_routine.Render(*this, out, frames, true);
}

void CPCMMixer::SoundMoved(CAudioAtom& atom) {
    if (auto* sound = dynamic_cast<CPCMSound*>(&atom))
        m_reader.Refill(*sound);
}

bool CPCMMixer::Stop(int /*flags*/) {
    bool wasPlaying = false;
    {
        std::lock_guard<CLock> guard(m_lock);
        wasPlaying = m_playing.exchange(false);
        m_paused = false;
        ReleasePlayingAtom();
        m_routine.ResetClick();
    }
    // Outside the lock: the reader may be in the midst of a read, which
    // Clear waits for.
    m_reader.Clear();
    return wasPlaying;
}

void CPCMMixer::ReleasePlayingAtom() {
    CAudioAtom::DeleteAtom(m_playingAtom);
    m_playingAtom = nullptr;
}

double CPCMMixer::GetPositionMs() const {
    return static_cast<double>(m_positionFrames.load()) * 1000.0 / kMixerSampleRate;
}

void CPCMMixer::SetPositionMs(double ms) {
    std::unique_lock<CLock> guard(m_lock);
    m_positionFrames = FramesOf(std::max(ms, 0.0));
    m_routine.ResetClick();
    if (!m_playing.load() || !m_playingAtom)
        return;
    m_playing = false;
    StartFromPosition(guard);
}

void CPCMMixer::SetLoop(bool on, double startMs, double endMs) {
    std::lock_guard<CLock> guard(m_lock);
    const int64_t start = FramesOf(std::max(startMs, 0.0));
    const int64_t end = FramesOf(endMs);
    m_loopStartFrames = start;
    m_loopEndFrames = std::max(end, start);
    m_looping = on && end > start;
}

double CPCMMixer::GetLoopStartMs() const {
    return static_cast<double>(m_loopStartFrames.load()) * 1000.0 / kMixerSampleRate;
}

double CPCMMixer::GetLoopEndMs() const {
    return static_cast<double>(m_loopEndFrames.load()) * 1000.0 / kMixerSampleRate;
}

namespace {

std::shared_ptr<const CSoundData> ResidentCopy(const CPCMSound* sound) {
    const std::shared_ptr<const CSoundData> data = sound ? sound->SharedPlayData() : nullptr;
    if (!data)
        return nullptr;
    std::vector<float> samples(static_cast<size_t>(data->Frames() * data->Channels()));
    data->ReadFrames(0, data->Frames(), samples.data());
    return CSoundData::FromSamples(std::move(samples), data->Channels(), data->Rate());
}

} // namespace

void CPCMMixer::SetMetronome(bool on, CPCMSound* beatSound, CPCMSound* measureSound,
                             double volume) {
    if (beatSound)
        beatSound->AddReference();
    if (measureSound)
        measureSound->AddReference();
    std::lock_guard<CLock> guard(m_lock);
    m_routine.ResetClick();
    ReleaseMetronomeSounds();
    m_beatClick = beatSound;
    m_measureClick = measureSound;
    m_beatClickData = ResidentCopy(beatSound);
    m_measureClickData = ResidentCopy(measureSound);
    m_metronomeVolume = std::isnan(volume) ? 0.0 : std::clamp(volume, 0.0, 4.0);
    m_metronomeOn = on;
}

void CPCMMixer::ReleaseMetronomeSounds() {
    CAudioAtom::DeleteAtom(m_beatClick);
    CAudioAtom::DeleteAtom(m_measureClick);
    m_beatClick = nullptr;
    m_measureClick = nullptr;
    m_beatClickData.reset();
    m_measureClickData.reset();
}

CPCMSound* CPCMMixer::SoundExists(const std::string& path) const {
    if (path.empty())
        return nullptr;
    std::lock_guard<CLock> guard(m_lock);
    for (int index = 0; index < m_soundGroup->Count(); ++index) {
        auto* sound = dynamic_cast<CPCMSound*>(m_soundGroup->At(index));
        if (sound && sound->GetFilePath() == path)
            return sound;
    }
    for (CPCMSound* click : {m_beatClick, m_measureClick})
        if (click && click->GetFilePath() == path)
            return click;
    return nullptr;
}

void CPCMMixer::SetMasterVolume(double volume) {
    if (!std::isnan(volume))
        m_masterVolume = std::clamp(volume, 0.0, 4.0);
}

namespace {

CGMInstrument* FirstInstrumentOf(const CPCMTrack& track) {
    const CEffectChain& chain = *track.GetInstrumentChain();
    for (int index = 0; index < chain.NumEffects(); ++index) {
        auto* instrument = dynamic_cast<CGMInstrument*>(chain.GetEffect(index));
        if (instrument && instrument->isActive())
            return instrument;
    }
    return nullptr;
}

} // namespace

CGMInstrument* CPCMMixer::PreviewInstrument() const {
    const int chosen = m_previewTrack.load();
    if (chosen != kFirstInstrumentTrack) {
        const CPCMTrack* track = GetTrack(chosen);
        return track ? FirstInstrumentOf(*track) : nullptr;
    }
    for (const auto& track : m_tracks) {
        if (CGMInstrument* instrument = FirstInstrumentOf(*track))
            return instrument;
    }
    return nullptr;
}

bool CPCMMixer::MidiNoteOnNow(int pitch, int velocity, int channel) {
    std::lock_guard<CLock> guard(m_lock);
    CGMInstrument* instrument = PreviewInstrument();
    return instrument && instrument->MidiNoteOnNow(pitch, velocity, channel);
}

bool CPCMMixer::MidiNoteOffNow(int pitch, int velocity, int channel) {
    std::lock_guard<CLock> guard(m_lock);
    CGMInstrument* instrument = PreviewInstrument();
    return instrument && instrument->MidiNoteOffNow(pitch, velocity, channel);
}

bool CPCMMixer::MidiAllNotesOffNow() {
    std::lock_guard<CLock> guard(m_lock);
    bool reached = false;
    for (const auto& track : m_tracks) {
        const CEffectChain& chain = *track->GetInstrumentChain();
        for (int index = 0; index < chain.NumEffects(); ++index) {
            if (auto* instrument = dynamic_cast<CGMInstrument*>(chain.GetEffect(index)))
                reached = instrument->MidiAllNotesOffNow() || reached;
        }
    }
    return reached;
}

bool CPCMMixer::PlayOneShot(const std::string& path) {
    if (!GetDevice().IsRunning()) {
        LogFmt("CPCMMixer::PlayOneShot - no output runs, '%s' not played", path.c_str());
        return false;
    }
    std::vector<float> stereo;
    std::string reason;
    if (!COneShotPlayer::Decode(path, stereo, reason)) {
        LogFmt("CPCMMixer::PlayOneShot - cannot play '%s': %s", path.c_str(), reason.c_str());
        return false;
    }
    StartOneShot(std::move(stereo));
    return true;
}

void CPCMMixer::StartOneShot(std::vector<float> stereo) {
    std::lock_guard<CLock> guard(m_lock);
    m_oneShot.Start(std::move(stereo));
}

bool CPCMMixer::IsOneShotPlaying() const {
    std::lock_guard<CLock> guard(m_lock);
    return m_oneShot.IsPlaying();
}

namespace {

template <typename Device>
std::unique_ptr<CAudioDevice> Started(CPCMMixer& mixer, const AudioDeviceChoice& choice,
                                      std::string& reason) {
    auto device = std::make_unique<Device>(mixer);
    if (!device->Start(choice, reason))
        return nullptr;
    return device;
}

} // namespace

// A JACK server is driven directly, not through RtAudio: RtAudio closes the
// client from the server's shutdown thread, which can abort the program.
bool CPCMMixer::OpenDevice(const AudioDeviceChoice& choice, std::string& reason) {
    CloseDevice();
    m_nullDevice->Stop();
    m_device = choice.driverType == AudioDeviceChoice::kJack
                   ? Started<CJackDevice>(*this, choice, reason)
                   : Started<CRtAudioDevice>(*this, choice, reason);
    if (!m_device)
        return false;
    m_monitoredInputs->Update();
    return true;
}

void CPCMMixer::CloseDevice() {
    if (!m_device)
        return;
    StopCapture();
    // Inputs opened beside the device belong to its driver.
    m_monitoredInputs->CloseAll();
    m_device->Stop();
    m_device.reset();
}

CAudioDevice& CPCMMixer::GetDevice() {
    if (m_device)
        return *m_device;
    return *m_nullDevice;
}

void CPCMMixer::StartCapture() {
    StopCapture();
    if (!m_inputRing)
        m_inputRing = std::make_unique<CInputRing>(kInputRingFrames);
    m_inputRing->Clear();
    m_captureStartFrame = -1;
    m_capturing = true;
}

void CPCMMixer::StopCapture() {
    m_capturing = false;
    // A callback that saw capturing on is finishing its write; it takes microseconds.
    while (m_inCapture.load())
        std::this_thread::yield();
}

void CPCMMixer::CaptureInput(const float* in, int frames, int channels) LOOMTONE_REALTIME {
    m_inCapture = true;
    // A paused transport holds a take back: one that begins with playback is
    // made ready paused, so its first frame arrives with the first block played.
    if (m_capturing.load() && !m_paused.load()) {
        if (m_captureStartFrame.load() < 0)
            m_captureStartFrame = m_positionFrames.load();
        m_inputRing->Write(in, frames, channels);
    }
    m_inCapture = false;
}
