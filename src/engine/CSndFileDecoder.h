#pragma once

#include "engine/CSoundDecoder.h"

#include <sndfile.h>

// Decodes what libsndfile reads: WAV, AIFF, FLAC, OGG/Vorbis, Opus and MP3.
class CSndFileDecoder : public CSoundDecoder {
public:
    CSndFileDecoder() = default;
    ~CSndFileDecoder() override;
    CSndFileDecoder(const CSndFileDecoder&) = delete;
    CSndFileDecoder& operator=(const CSndFileDecoder&) = delete;

    bool Open(const std::string& path, std::string& error) override;
    int Channels() const override { return m_info.channels; }
    int Rate() const override { return m_info.samplerate; }
    int64_t Read(float* out, int64_t frames) override;
    const char* Name() const override { return "libsndfile"; }

private:
    SNDFILE* m_file = nullptr;
    SF_INFO m_info{};
};
