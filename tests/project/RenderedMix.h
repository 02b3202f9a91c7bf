#pragma once

// The mix of a project's mixer as 32-bit float stereo samples, for tests that
// compare what edits do to the sound.
#include "engine/CPCMMixer.h"
#include "engine/CRenderWorker.h"
#include "engine/FormatDetails.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

// The samples of a sound file, interleaved; empty when it cannot be read.
inline std::vector<float> ReadFloatSamples(const std::string& path, int* channels = nullptr,
                                           int* rate = nullptr) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    if (channels)
        *channels = info.channels;
    if (rate)
        *rate = info.samplerate;
    return samples;
}

// Renders the whole mix, or the heard span startMs..endMs of it, to a float
// WAV at path and reads it back.
inline std::vector<float> RenderMix(CPCMMixer& mixer, const std::string& path, double startMs = 0.0,
                                    double endMs = _renderWorkerTrackStruct::kToEnd) {
    CTrackRenderList list;
    _renderWorkerTrackStruct entry;
    entry.startMs = startMs;
    entry.endMs = endMs;
    list.AddTrackInfo(entry);
    CRenderWorker worker;
    if (!worker.Start(false, mixer.GetSoundGroup(), list, path, &mixer, ConversionType::Wav,
                      FormatDetails::FrozenTrack(kMixerSampleRate, 2), false,
                      CRenderWorker::kAllTracks)) {
        ADD_FAILURE() << "the render did not start";
        worker.CleanUp();
        return {};
    }
    while (worker.IsRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(worker.HasError());
    worker.CleanUp();
    return ReadFloatSamples(path);
}

// Each sample of `actual` is `factor` times the one of `expected`, within
// tolerance; the lengths agree.
inline void ExpectScaledSamples(const std::vector<float>& expected,
                                const std::vector<float>& actual, double factor,
                                double tolerance = 1e-6) {
    ASSERT_EQ(actual.size(), expected.size());
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        if (std::fabs(actual[i] - factor * expected[i]) > tolerance && differing++ == 0)
            first = i;
    }
    EXPECT_EQ(differing, 0u) << "first at sample " << first << ": " << actual[first] << " vs "
                             << factor * expected[first];
}
