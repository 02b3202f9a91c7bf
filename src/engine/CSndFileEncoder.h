#pragma once

#include "engine/CAudioEncoder.h"

#include <sndfile.h>

// Writes through libsndfile: 16-bit and 24-bit WAV, OGG/Vorbis and MP3 (float WAV has a
// writer of its own, CFloatWavEncoder).
//
// WAV files carry their tags in a LIST INFO chunk before the audio; samples beyond full scale
// are clipped rather than wrapped. OGG files carry Vorbis comments. MP3 files get an ID3v2.3 tag of
// our own in front of the first frame (libsndfile's own MP3 tags lose the copyright and any
// non-Latin text).
class CSndFileEncoder : public CAudioEncoder {
public:
    CSndFileEncoder() = default;
    ~CSndFileEncoder() override;
    CSndFileEncoder(const CSndFileEncoder&) = delete;
    CSndFileEncoder& operator=(const CSndFileEncoder&) = delete;

    bool Open(const std::string& path, const FormatDetails& details, std::string& error) override;
    bool Write(const float* interleaved, int64_t frames, std::string& error) override;
    bool Finish(std::string& error) override;
    const char* Name() const override { return "libsndfile"; }

    // The most frames a WAV file of this block size can hold: its sizes are 32-bit, and the
    // room left covers the header and tags.
    static int64_t MaxWavFrames(int blockAlign);

private:
    bool WriteId3Tag(const FormatDetails& details, std::string& error);
    bool ApplySettings(const FormatDetails& details, std::string& error);
    bool ApplyTags(const SoundTags& tags, std::string& error);
    void CloseFile();

    int m_fd = -1;
    SNDFILE* m_file = nullptr;
    int64_t m_framesWritten = 0;
    int64_t m_frameLimit = 0; // 0: no limit
};
