#include "engine/CSndFileDecoder.h"

CSndFileDecoder::~CSndFileDecoder() {
    if (m_file)
        sf_close(m_file);
}

bool CSndFileDecoder::Open(const std::string& path, std::string& error) {
    m_info = SF_INFO{};
    m_file = sf_open(path.c_str(), SFM_READ, &m_info);
    if (!m_file) {
        error = std::string("libsndfile: ") + sf_strerror(nullptr);
        return false;
    }
    if (m_info.channels < 1 || m_info.channels > kMaxChannels || m_info.samplerate < kMinRate ||
        m_info.samplerate > kMaxRate) {
        error = "libsndfile: unsupported format (" + std::to_string(m_info.channels) +
                " channels at " + std::to_string(m_info.samplerate) + " Hz)";
        sf_close(m_file);
        m_file = nullptr;
        return false;
    }
    return true;
}

int64_t CSndFileDecoder::Read(float* out, int64_t frames) {
    if (!m_file)
        return -1;
    const sf_count_t count = sf_readf_float(m_file, out, frames);
    if (count < 0 || (count == 0 && sf_error(m_file) != SF_ERR_NO_ERROR))
        return -1;
    return count;
}
