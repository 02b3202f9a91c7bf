#pragma once

#include "engine/CAudioEncoder.h"

#include <sndfile.h>
#include <sys/types.h>

// Writes through libsndfile: 16-bit and 24-bit WAV, OGG/Vorbis and MP3 (float WAV has a
// writer of its own, CFloatWavEncoder).
//
// WAV files carry their tags in a LIST INFO chunk before the audio; samples beyond full scale
// are clipped rather than wrapped. OGG files carry Vorbis comments. MP3 files get an ID3v2.3 tag of
// our own in front of the first frame (libsndfile's own MP3 tags lose the copyright and any
// non-Latin text).
//
// libsndfile writes through our own file callbacks: it does not report every failed write
// (the MP3 encoder's among them, and none at all while closing), so the callbacks remember
// the first failure and Write and Finish fail with it.
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
    bool CheckIo(std::string& error) const;

    static sf_count_t IoLength(void* user);
    static sf_count_t IoSeek(sf_count_t offset, int whence, void* user);
    static sf_count_t IoRead(void* buffer, sf_count_t count, void* user);
    static sf_count_t IoWrite(const void* buffer, sf_count_t count, void* user);
    static sf_count_t IoTell(void* user);
    void NoteIoFailure();

    int m_fd = -1;
    // Where libsndfile's part of the file starts: after our ID3 tag.
    off_t m_base = 0;
    // The errno of the first failed write or seek; 0 while all went well.
    int m_ioError = 0;
    SNDFILE* m_file = nullptr;
    int64_t m_framesWritten = 0;
    int64_t m_frameLimit = 0; // 0: no limit
};
