#pragma once

// Checks on what an output carried: a short sound played once over silence.

#include "engine/CNullDevice.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Lets the running null device play that many more blocks. Waits without the
// mixer's lock: a block that finds it taken is played as silence, which would
// cut into the sound under test.
inline void LetPlay(const CNullDevice& device, int64_t blocks) {
    const int64_t until = device.BlocksRendered() + blocks;
    for (int wait = 0; wait < 3000 && device.BlocksRendered() < until; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// The interleaved samples of a sound file (the null device's capture), empty
// when libsndfile cannot read it.
inline std::vector<float> ReadCapture(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    samples.resize(static_cast<size_t>(read) * info.channels);
    return samples;
}

inline size_t FirstSound(const std::vector<float>& samples) {
    size_t index = 0;
    while (index < samples.size() && samples[index] == 0.0f)
        ++index;
    return index;
}

// Success when output (interleaved stereo) holds sound (interleaved stereo)
// exactly, sample for sample, once, and silence everywhere else.
inline ::testing::AssertionResult HeardOnceOnSilence(const std::vector<float>& output,
                                                     const std::vector<float>& sound) {
    const size_t soundStart = FirstSound(sound);
    const size_t outputStart = FirstSound(output);
    if (soundStart == sound.size())
        return ::testing::AssertionFailure() << "the sound is silent";
    if (outputStart == output.size())
        return ::testing::AssertionFailure() << "the output is silent";
    // Both start on a frame: the first non-zero sample may be a right one.
    const size_t outputFrame = outputStart - outputStart % 2;
    const size_t soundFrame = soundStart - soundStart % 2;
    const size_t offset = outputFrame - soundFrame;
    if (outputFrame < soundFrame || offset + sound.size() > output.size())
        return ::testing::AssertionFailure()
               << "the sound does not fit where the output starts to sound (sample " << outputStart
               << " of " << output.size() << ")";
    for (size_t index = 0; index < output.size(); ++index) {
        const bool inSound = index >= offset && index < offset + sound.size();
        const float expected = inSound ? sound[index - offset] : 0.0f;
        if (output[index] != expected)
            return ::testing::AssertionFailure()
                   << "sample " << index << " is " << output[index] << ", not " << expected
                   << (inSound ? " (within the sound)" : " (outside the sound)");
    }
    return ::testing::AssertionSuccess();
}
