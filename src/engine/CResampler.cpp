#include "engine/CResampler.h"

#include <soxr.h>

#include <cmath>

CResampler::~CResampler() {
    if (m_soxr)
        soxr_delete(m_soxr);
}

bool CResampler::Init(int channels, double inRate, double outRate, std::string& error) {
    if (m_soxr || channels < 1 || !(inRate > 0.0) || !(outRate > 0.0)) {
        error = "resampler: bad parameters";
        return false;
    }
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t failure = nullptr;
    m_soxr = soxr_create(inRate, outRate, static_cast<unsigned>(channels), &failure, &io, &quality,
                         nullptr);
    if (!m_soxr || failure) {
        error = std::string("resampler: ") + (failure ? failure : "cannot start");
        return false;
    }
    m_channels = channels;
    m_ratio = outRate / inRate;
    return true;
}

bool CResampler::Process(const float* in, size_t frames, std::vector<float>& out) {
    return frames == 0 || Run(in, frames, out);
}

bool CResampler::Flush(std::vector<float>& out) {
    return Run(nullptr, 0, out);
}

// Feeds the input (none when flushing) and collects output until soxr has
// consumed everything and has nothing more to give.
bool CResampler::Run(const float* in, size_t frames, std::vector<float>& out) {
    if (!m_soxr)
        return false;
    const size_t room = static_cast<size_t>(std::ceil(frames * m_ratio)) + 1024;
    size_t consumed = 0;
    for (;;) {
        const size_t start = out.size();
        out.resize(start + room * m_channels);
        size_t inDone = 0;
        size_t outDone = 0;
        const float* input = in ? in + consumed * m_channels : nullptr;
        const soxr_error_t failure = soxr_process(m_soxr, input, frames - consumed, &inDone,
                                                  out.data() + start, room, &outDone);
        out.resize(start + outDone * m_channels);
        if (failure)
            return false;
        consumed += inDone;
        if (consumed >= frames && outDone < room)
            return true;
    }
}
