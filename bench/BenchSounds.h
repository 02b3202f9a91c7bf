#pragma once

#include "engine/CEnvelope.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundData.h"
#include "engine/CSoundGroup.h"
#include "engine/WaveFormat.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

// A mono sine at the mixer's rate, the material of the session benchmarks.
// The phase is computed in double so long sounds stay clean.
inline std::shared_ptr<const CSoundData> BenchSine(double hz, double seconds, double amplitude) {
    const auto frames = static_cast<size_t>(seconds * kMixerSampleRate);
    std::vector<float> samples(frames);
    for (size_t frame = 0; frame < frames; ++frame)
        samples[frame] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz *
                                                    static_cast<double>(frame) / kMixerSampleRate));
    return CSoundData::FromSamples(std::move(samples), 1, kMixerSampleRate);
}

// Puts a sound on the mixer's track at the start, with a volume envelope
// that changes every second for a minute, as the session benchmarks play
// them. `load` gives the sound its material and says whether it could.
template <typename Load> bool AddEnvelopedSound(CPCMMixer& mixer, int track, Load&& load) {
    auto* sound = new CPCMSound();
    const bool loaded = load(*sound);
    sound->SetTrackNumber(track);
    CEnvelope& volume = sound->GetClipAudioBuffer().GetVolumeEnvelope();
    for (int point = 0; point <= 60; ++point)
        volume.Insert(point * 1000.0, point % 2 ? 1.0 : 0.3);
    mixer.GetSoundGroup()->Add(sound, 0.0);
    CAudioAtom::DeleteAtom(sound); // the group keeps it
    return loaded;
}
