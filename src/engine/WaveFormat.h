#pragma once

// The mixer's fixed output: 44.1 kHz stereo, 32-bit float. Sounds are decoded
// and resampled to this rate once, when they are loaded.
constexpr int kMixerSampleRate = 44100;
constexpr int kMixerChannels = 2;

// A PCM format as recording and rendering describe it.
struct WaveFormat {
    static constexpr int kFormatPcm = 1;
    static constexpr int kFormatFloat = 3;

    int formatTag = kFormatFloat;
    int channels = kMixerChannels;
    int sampleRate = kMixerSampleRate;
    int bitsPerSample = 32;
    int blockAlign = kMixerChannels * 4;
    int bytesPerSecond = kMixerSampleRate * kMixerChannels * 4;
};
