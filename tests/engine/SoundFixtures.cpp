#include "engine/SoundFixtures.h"
#include "engine/WaveFormat.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

namespace SoundFixtures {

std::string FreshDir(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(LOOMTONE_TEST_TMP) / name;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir.string();
}

std::string WriteSineFile(const std::string& path, int format, int rate, int channels,
                          double seconds, double hz, double amplitude) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return "";
    const int64_t frames = std::llround(seconds * rate);
    constexpr int64_t kBlock = 4096;
    std::vector<float> block(static_cast<size_t>(kBlock * channels));
    bool ok = true;
    for (int64_t done = 0; done < frames && ok;) {
        const int64_t count = std::min(kBlock, frames - done);
        for (int64_t i = 0; i < count; ++i) {
            // The phase is computed in double: a float phase of a long tone is noisy.
            const double t = static_cast<double>(done + i) / rate;
            const float value =
                static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * t));
            for (int c = 0; c < channels; ++c)
                block[static_cast<size_t>(i * channels + c)] = value;
        }
        ok = sf_writef_float(file, block.data(), count) == count;
        done += count;
    }
    ok = sf_close(file) == 0 && ok;
    return ok ? path : "";
}

namespace {

void PutLE(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

bool AppendAcidChunk(const std::string& wavPath, uint32_t flags, uint16_t rootNote, uint32_t beats,
                     float tempo) {
    std::string chunk = "acid";
    PutLE(chunk, 24, 4);
    PutLE(chunk, flags, 4);
    PutLE(chunk, rootNote, 2);
    PutLE(chunk, 0x8000, 2);
    PutLE(chunk, 0, 4); // unused float
    PutLE(chunk, beats, 4);
    PutLE(chunk, 4, 2); // meter denominator
    PutLE(chunk, 4, 2); // meter numerator
    uint32_t tempoBits = 0;
    static_assert(sizeof(tempoBits) == sizeof(tempo));
    std::memcpy(&tempoBits, &tempo, sizeof(tempo));
    PutLE(chunk, tempoBits, 4);

    std::fstream file(wavPath, std::ios::in | std::ios::out | std::ios::binary);
    if (!file)
        return false;
    file.seekp(0, std::ios::end);
    const uint64_t oldSize = static_cast<uint64_t>(file.tellp());
    if (oldSize % 2 != 0)
        chunk.insert(chunk.begin(), '\0'); // the pad byte of an odd last chunk
    file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    std::string riffSize;
    PutLE(riffSize, oldSize + chunk.size() - 8, 4);
    file.seekp(4);
    file.write(riffSize.data(), 4);
    return static_cast<bool>(file);
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool TruncateFile(const std::string& path, uint64_t size) {
    std::error_code ec;
    std::filesystem::resize_file(path, size, ec);
    return !ec;
}

double ToneFrequency(const float* interleaved, int64_t frames, int channels, int rate) {
    double first = -1.0;
    double last = -1.0;
    int64_t crossings = 0;
    for (int64_t i = 1; i < frames; ++i) {
        const float a = interleaved[(i - 1) * channels];
        const float b = interleaved[i * channels];
        if (a < 0.0f && b >= 0.0f) {
            const double at = static_cast<double>(i - 1) + a / static_cast<double>(a - b);
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2 || last <= first)
        return 0.0;
    return static_cast<double>(crossings - 1) * rate / (last - first);
}

double Rms(const float* interleaved, int64_t frames, int channels, int channel) {
    if (frames <= 0)
        return 0.0;
    double sum = 0.0;
    for (int64_t i = 0; i < frames; ++i) {
        const double v = interleaved[i * channels + channel];
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(frames));
}

std::shared_ptr<const CSoundData> SineData(double seconds, double hz, int channels,
                                           double amplitude) {
    const auto frames = static_cast<int64_t>(seconds * kMixerSampleRate);
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    for (int64_t frame = 0; frame < frames; ++frame) {
        const auto value =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz *
                                                    static_cast<double>(frame) / kMixerSampleRate));
        for (int channel = 0; channel < channels; ++channel)
            samples[static_cast<size_t>(frame * channels + channel)] = value;
    }
    return CSoundData::FromSamples(std::move(samples), channels, kMixerSampleRate);
}

bool HaveProgram(const std::string& name) {
    const std::string command = "command -v " + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace SoundFixtures
