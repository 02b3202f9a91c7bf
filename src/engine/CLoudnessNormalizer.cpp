#include "engine/CLoudnessNormalizer.h"

#include "engine/CConv2FileFormat.h"
#include "support/Log.h"

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

namespace {

constexpr sf_count_t kBlockFrames = 16384;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

struct Ebur128Closer {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using Ebur128Ptr = std::unique_ptr<ebur128_state, Ebur128Closer>;

SndFilePtr OpenForReading(const std::string& path, SF_INFO& info, std::string& error) {
    info = SF_INFO{};
    SndFilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
    else if (info.channels < 1 || info.channels > 8 || info.samplerate < 8000)
        error = "unexpected layout of " + path;
    else
        return file;
    return nullptr;
}

double Fraction(sf_count_t done, sf_count_t total) {
    return total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
}

} // namespace

bool CLoudnessNormalizer::Measure(const std::vector<std::string>& files, const Progress& progress) {
    m_error.clear();
    m_silent = true;
    Ebur128Ptr state;
    int channels = 0;
    for (size_t index = 0; index < files.size(); ++index) {
        SF_INFO info;
        SndFilePtr file = OpenForReading(files[index], info, m_error);
        if (!file)
            return false;
        if (!state) {
            channels = info.channels;
            state.reset(ebur128_init(static_cast<unsigned>(channels),
                                     static_cast<unsigned long>(info.samplerate),
                                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
            if (!state) {
                m_error = "cannot start the loudness measurement";
                return false;
            }
        } else if (info.channels != channels) {
            m_error = "the files of one mix-down differ in their channels";
            return false;
        }
        std::vector<float> block(static_cast<size_t>(kBlockFrames * channels));
        sf_count_t done = 0;
        for (sf_count_t read;
             (read = sf_readf_float(file.get(), block.data(), kBlockFrames)) > 0;) {
            ebur128_add_frames_float(state.get(), block.data(), static_cast<size_t>(read));
            done += read;
            const double fraction = (static_cast<double>(index) + Fraction(done, info.frames)) /
                                    static_cast<double>(files.size());
            if (progress && !progress(fraction)) {
                m_error = "stopped";
                return false;
            }
        }
    }
    if (!state) {
        m_error = "nothing to measure";
        return false;
    }
    double peak = 0.0;
    for (int channel = 0; channel < channels; ++channel) {
        double channelPeak = 0.0;
        if (ebur128_true_peak(state.get(), static_cast<unsigned>(channel), &channelPeak) ==
            EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    if (ebur128_loudness_global(state.get(), &m_integratedLufs) != EBUR128_SUCCESS)
        m_integratedLufs = -std::numeric_limits<double>::infinity();
    m_truePeakDb = peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    m_silent = !std::isfinite(m_integratedLufs) || !std::isfinite(m_truePeakDb);
    LogFmt("CLoudnessNormalizer::Measure %.2f LUFS, true peak %.2f dBTP, gain %.2f dB",
           m_integratedLufs, m_truePeakDb, GainDb());
    return true;
}

double CLoudnessNormalizer::GainDb() const {
    if (m_silent)
        return 0.0;
    return std::min(m_targetLufs - m_integratedLufs, m_ceilingDb - m_truePeakDb);
}

bool CLoudnessNormalizer::Write(const std::string& source, const std::string& target,
                                const FormatDetails& details, const Progress& progress) {
    m_error.clear();
    SF_INFO info;
    SndFilePtr file = OpenForReading(source, info, m_error);
    if (!file)
        return false;
    if (info.channels != details.channels || info.samplerate != details.sampleRate) {
        m_error = "the rendered file does not match the format";
        return false;
    }
    CConv2FileFormat encoder;
    if (!encoder.Open(target, details)) {
        m_error = encoder.LastError();
        return false;
    }
    const float gain = static_cast<float>(std::pow(10.0, GainDb() / 20.0));
    std::vector<float> block(static_cast<size_t>(kBlockFrames * info.channels));
    sf_count_t done = 0;
    for (sf_count_t read; (read = sf_readf_float(file.get(), block.data(), kBlockFrames)) > 0;) {
        const size_t samples = static_cast<size_t>(read * info.channels);
        std::transform(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(samples),
                       block.begin(), [gain](float sample) { return sample * gain; });
        if (!encoder.Write(block.data(), read)) {
            m_error = encoder.LastError();
            encoder.Abort();
            return false;
        }
        done += read;
        if (progress && !progress(Fraction(done, info.frames))) {
            m_error = "stopped";
            encoder.Abort();
            return false;
        }
    }
    if (!encoder.Close()) {
        m_error = encoder.LastError();
        return false;
    }
    return true;
}
