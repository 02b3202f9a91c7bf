#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct soxr;

// Converts interleaved float audio from one sample rate to another with
// libsoxr at high quality, block by block. Fed N frames in total and flushed,
// it yields round(N * outRate / inRate) frames.
class CResampler {
public:
    CResampler() = default;
    ~CResampler();
    CResampler(const CResampler&) = delete;
    CResampler& operator=(const CResampler&) = delete;

    bool Init(int channels, double inRate, double outRate, std::string& error);
    // Converts `frames` frames and appends the frames ready so far to out.
    bool Process(const float* in, size_t frames, std::vector<float>& out);
    // Appends what is still held back; call once after the last Process.
    bool Flush(std::vector<float>& out);

private:
    bool Run(const float* in, size_t frames, std::vector<float>& out);

    soxr* m_soxr = nullptr;
    int m_channels = 0;
    double m_ratio = 1.0;
};
