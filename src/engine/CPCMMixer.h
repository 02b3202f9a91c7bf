#pragma once

#include "engine/AudioDeviceChoice.h"
#include "engine/CInputRing.h"
#include "engine/CMixRoutine.h"
#include "engine/COneShotPlayer.h"
#include "engine/CPCMTrack.h"
#include "engine/CSoundReader.h"
#include "engine/TempoMap.h"
#include "engine/WaveFormat.h"
#include "support/CLock.h"
#include "support/CNotificationQueue.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CAudioAtom;
class CAudioDevice;
class CEffectChain;
class CGMInstrument;
class CMonitoredInputs;
class CNullDevice;
class CPCMSound;
class CSoundGroup;

// The one mixer: its tracks, the project's sound group, the tempo map, the
// transport, the metronome and master volume, and the output device.
//
// Threads: the GUI thread changes tracks, the sound group, sounds, envelopes
// and the tempo map between Lock and Unlock. A device thread calls Mix, which
// only tries the lock. Transport state and the play position are atomics.
class CPCMMixer {
public:
    CPCMMixer();
    ~CPCMMixer();
    CPCMMixer(const CPCMMixer&) = delete;
    CPCMMixer& operator=(const CPCMMixer&) = delete;

    // Recursive: the same thread may lock again.
    void Lock() { m_lock.Lock(); }
    void Unlock() { m_lock.Unlock(); }

    // Tracks are numbered 0..GetNumTracks()-1 in the order they were added.
    // Appends a track; it is the newest track, GetTrack(GetNumTracks() - 1).
    CPCMTrack* AddTrack();
    // Removes a track; every later track moves down one number, and so does
    // every sound of the sound group that played through a later track. Sounds
    // of the removed track go to no track (-1). False for a bad number.
    bool RemoveTrack(int trackNumber);
    int GetNumTracks() const { return static_cast<int>(m_tracks.size()); }
    // Null for a bad number.
    CPCMTrack* GetTrack(int trackNumber) const;

    CSoundGroup* GetSoundGroup() const { return m_soundGroup; }
    TempoMap& GetTempoMap() { return m_tempoMap; }
    // After the tempo map changed: every sound of the group works out again
    // where it is heard.
    void RetimeSounds();

    // Starts playing an atom (a sound group or a single sound) at fromMs; the
    // mixer holds a reference on it until it stops. Playback ends by itself
    // after the atom's end plus the tail time, unless the loop is on. flags is
    // reserved (0). False for a null atom. The start of each sound is read
    // before it returns, without the lock held, so that the device goes on
    // meanwhile (with silence); a caller that holds the lock itself keeps
    // the device out for that time.
    bool Play(CAudioAtom* atom, double fromMs, int flags);
    // Stops and lets go of the atom; true when something was playing.
    bool Stop(int flags);
    // A paused mixer keeps its position and atom, outputs silence, takes no input.
    void Pause(bool pause) { m_paused.store(pause); }
    bool IsPaused() const { return m_paused.load(); }
    // True from Play until Stop or the end of playback.
    bool Playing() const { return m_playing.load(); }

    double GetPositionMs() const;
    int64_t GetPositionFrames() const { return m_positionFrames.load(); }
    void SetPositionMs(double ms);

    // While on, playback from before the loop end returns to the loop start
    // when it reaches the loop end (sample-exact). Off when end <= start.
    void SetLoop(bool on, double startMs, double endMs);
    bool IsLooping() const { return m_looping.load(); }
    double GetLoopStartMs() const;
    double GetLoopEndMs() const;

    WaveFormat GetFormat() const { return WaveFormat(); }

    // Names the calling thread as the one that runs the GUI and the document:
    // notifications sent on the engine's threads are delivered there.
    void SetAppThread() { CNotificationQueue::Instance().SetAppThread(); }
    // Milliseconds of sound (effect tails) after the last sound ends: the
    // longest tail of a track's chains, on which the master chain rings on in
    // turn. GUI thread (the chains are queried).
    double GetProjectTailTime() const;
    // Where the mix of the group falls silent, in ms: its last sound's end, or
    // later while the chains of a track that plays sounds of the group ring on
    // past it (a reverb, an instrument's release), the master chain's tail on
    // top. Tracks without sounds in the group, muted tracks and tracks left
    // out by a solo ring nothing. With onlyTrack >= 0 that track alone counts,
    // before its mute (a freeze). GUI thread (the chains are queried).
    double GetRingingEndTime(const CSoundGroup& group, int onlyTrack = -1) const;

    // The chain the whole mix passes through before the master volume (the
    // metronome does not). Prepared for the mixer's rate and block size.
    CEffectChain* GetMasterEffectChain() const { return m_masterChain.get(); }

    // The metronome: clicks on every beat of the tempo map while playing, the
    // measure click on the first beat of a measure (the beat click when there
    // is no measure click). Takes references on the sounds and gives back the
    // previous ones. volume is a linear gain (0..4).
    void SetMetronome(bool on, CPCMSound* beatSound, CPCMSound* measureSound, double volume);
    bool IsMetronomeOn() const { return m_metronomeOn; }

    // The sound of the sound group (or metronome) loaded from that path; null
    // when the engine holds none.
    CPCMSound* SoundExists(const std::string& path) const;

    double GetMasterVolume() const { return m_masterVolume.load(); }
    void SetMasterVolume(double volume);

    // The mixing routine: fills frames of interleaved stereo float. Any thread;
    // never blocks or allocates.
    void Mix(float* out, int frames) LOOMTONE_REALTIME { m_routine.Render(*this, out, frames); }
    // The same for a device with inputs: the block's input (frames of
    // `channels` interleaved samples, arrived with it) is heard through the
    // chains of the tracks that monitor it.
    void MixWithInput(float* out, const float* in, int channels, int frames) LOOMTONE_REALTIME {
        m_routine.Render(*this, out, frames, CMixRoutine::LiveInput{in, channels});
    }
    // The same for a caller that is not real-time: it waits for the sound
    // reader rather than play a sound's frames as silence.
    void MixWaitingForReader(float* out, int frames);
    // Blocks mixed as silence because the lock was taken, and sound blocks
    // left silent because the reader had not read them yet.
    int64_t GetLostLockBlocks() const { return m_lostLockBlocks.load(); }
    int64_t GetUnderruns() const { return m_reader.Underruns(); }
    // GUI thread, after a sound was placed elsewhere while it may play, with
    // the lock released again: its stream is read at the new place at once,
    // so that playback does not find it empty for its next blocks.
    void SoundMoved(CAudioAtom& atom);
    CSoundReader& GetSoundReader() { return m_reader; }
    // Told by the render worker around a whole render, so that the mixing
    // thread leaves the instruments alone meanwhile.
    void BeginOfflineRender() { m_offlineRenders.fetch_add(1); }
    void EndOfflineRender() { m_offlineRenders.fetch_sub(1); }

    // MIDI previews (a note heard while drawing it), at once and also while
    // the transport is stopped: they go to the first active General MIDI
    // instrument of the preview track. GUI thread. False when there is no
    // such instrument or its queue is full.
    bool MidiNoteOnNow(int pitch, int velocity, int channel);
    bool MidiNoteOffNow(int pitch, int velocity, int channel);
    // Every General MIDI instrument of every track lets go of its notes.
    bool MidiAllNotesOffNow();
    // The track previews go to; kFirstInstrumentTrack (the default) picks the
    // first track that has a General MIDI instrument.
    static constexpr int kFirstInstrumentTrack = -1;
    void SetPreviewTrack(int trackNumber) { m_previewTrack.store(trackNumber); }
    int GetPreviewTrack() const { return m_previewTrack.load(); }

    // Plays a short sound file once over the output (COneShotPlayer), in
    // place of one still playing. Decoded here, on the calling thread; the
    // mixing thread only copies its samples. False, with a log line, when the
    // file cannot be played or when no output runs to hear it: the sound is
    // then dropped rather than kept for a device that starts later. GUI thread.
    bool PlayOneShot(const std::string& path);
    // Hands decoded frames (COneShotPlayer::Decode) to the output whether or
    // not it runs: the next mixed blocks carry them. GUI thread.
    void StartOneShot(std::vector<float> stereo);
    bool IsOneShotPlaying() const;

    // The output device that needs no sound card.
    CNullDevice& GetNullDevice() { return *m_nullDevice; }

    // A real device: opens and starts it (the null device stops first). False
    // with the driver's reason when it cannot run; no real device is open then.
    bool OpenDevice(const AudioDeviceChoice& choice, std::string& reason);
    void CloseDevice();
    // True while a real device is open (it may have failed since).
    bool IsOpen() const { return m_device != nullptr; }
    // The real device, or the null device when none is open.
    CAudioDevice& GetDevice();

    // Input: while capturing, the device callback puts the incoming frames
    // into the input ring, and the first of them is stamped with the play
    // position of the block it arrived with. GUI thread.
    void StartCapture();
    // After it returns no callback writes to the ring any more.
    void StopCapture();
    bool IsCapturing() const { return m_capturing.load(); }
    // The play position (frames) when the first captured frame arrived; -1 before.
    int64_t GetCaptureStartFrame() const { return m_captureStartFrame.load(); }
    // Made by the first StartCapture.
    CInputRing* GetInputRing() const { return m_inputRing.get(); }
    // Device thread: frames of `channels` interleaved samples from the input.
    void CaptureInput(const float* in, int frames, int channels) LOOMTONE_REALTIME;

    // The input devices opened beside the device's own input, for tracks
    // that monitor them. Closed with the device.
    CMonitoredInputs& GetMonitoredInputs() { return *m_monitoredInputs; }

    // Milliseconds to the nearest frame at the mixer's rate.
    static int64_t FramesOf(double ms);

private:
    friend class CMixRoutine;

    // With the lock held by guard, playback held back (not playing) and the
    // playing atom and position set: has the reader read the start of what
    // plays from the position, without the lock, then lets playback go.
    void StartFromPosition(std::unique_lock<CLock>& guard);
    void ReleasePlayingAtom();
    void ReleaseMetronomeSounds();
    CGMInstrument* PreviewInstrument() const;

    mutable CLock m_lock;
    std::vector<std::unique_ptr<CPCMTrack>> m_tracks;
    CSoundGroup* m_soundGroup;
    TempoMap m_tempoMap;

    std::unique_ptr<CEffectChain> m_masterChain;
    CAudioAtom* m_playingAtom = nullptr;
    // The tail time taken when playing started, so the mixing thread need not
    // query the chains.
    std::atomic<double> m_playTailMs{0.0};
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_paused{false};
    std::atomic<int64_t> m_positionFrames{0};
    std::atomic<bool> m_looping{false};
    std::atomic<int64_t> m_loopStartFrames{0};
    std::atomic<int64_t> m_loopEndFrames{0};
    std::atomic<double> m_masterVolume{1.0};
    std::atomic<int> m_previewTrack{kFirstInstrumentTrack};
    // Renders running on the render worker; while any runs, the instruments
    // belong to it and the stopped transport does not mix them.
    std::atomic<int> m_offlineRenders{0};

    bool m_metronomeOn = false;
    CPCMSound* m_beatClick = nullptr;
    CPCMSound* m_measureClick = nullptr;
    // Their samples, copied into memory: the mixing thread reads no files.
    std::shared_ptr<const CSoundData> m_beatClickData;
    std::shared_ptr<const CSoundData> m_measureClickData;
    double m_metronomeVolume = 1.0;

    COneShotPlayer m_oneShot;

    std::atomic<int64_t> m_lostLockBlocks{0};

    CSoundReader m_reader;
    CMixRoutine m_routine{m_reader};
    std::unique_ptr<CNullDevice> m_nullDevice;
    std::unique_ptr<CAudioDevice> m_device;
    std::unique_ptr<CMonitoredInputs> m_monitoredInputs;

    // Ten seconds of input: the file writer empties it every few ms.
    static constexpr int64_t kInputRingFrames = int64_t{10} * kMixerSampleRate;
    std::unique_ptr<CInputRing> m_inputRing;
    std::atomic<bool> m_capturing{false};
    std::atomic<bool> m_inCapture{false};
    std::atomic<int64_t> m_captureStartFrame{-1};
};
