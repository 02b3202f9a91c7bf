#pragma once

#include "engine/CAudioEncoder.h"

#include <cstdint>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVPacket;
struct AVFrame;
class CFFmpegLibrary;

// Writes through FFmpeg what libsndfile cannot: WMA (the wmav2 codec in an ASF file), with
// its tags in the ASF metadata. The codec takes fixed-size planar frames, so input is gathered
// into one preallocated frame and sent whenever it fills. Decoders swallow the first codec
// frame (its output is only the warm-up of the overlapping transform), so one frame of silence
// goes first, and the last partial frame is completed with silence: the decoded audio starts
// with the first input sample and is less than one codec frame longer than the input. The
// ASF header's duration still counts the swallowed frame.
class CFFmpegEncoder : public CAudioEncoder {
public:
    CFFmpegEncoder() = default;
    ~CFFmpegEncoder() override;
    CFFmpegEncoder(const CFFmpegEncoder&) = delete;
    CFFmpegEncoder& operator=(const CFFmpegEncoder&) = delete;

    bool Open(const std::string& path, const FormatDetails& details, std::string& error) override;
    bool Write(const float* interleaved, int64_t frames, std::string& error) override;
    bool Finish(std::string& error) override;
    const char* Name() const override { return "FFmpeg"; }

private:
    bool OpenCodec(const FormatDetails& details, std::string& error);
    void SetMetadata(const SoundTags& tags);
    // Sends the gathered frame (or, with null, the end of input) and writes what comes out.
    bool Encode(AVFrame* frame, std::string& error);
    bool SendFullFrame(std::string& error);
    bool WriteSilence(int64_t samples, std::string& error);

    const CFFmpegLibrary* m_av = nullptr; // set once Open found the libraries
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVStream* m_stream = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    bool m_headerWritten = false;
    int m_channels = 0;
    int m_frameSize = 0;
    int m_filled = 0;      // samples per channel gathered in m_frame
    int64_t m_nextPts = 0; // samples per channel sent so far
};
