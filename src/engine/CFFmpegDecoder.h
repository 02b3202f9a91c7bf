#pragma once

#include "engine/CSoundDecoder.h"

#include <cstddef>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;
class CFFmpegLibrary;

// Decodes through FFmpeg what libsndfile cannot open (WMA and other formats):
// the file's best audio stream, converted to interleaved float.
class CFFmpegDecoder : public CSoundDecoder {
public:
    CFFmpegDecoder() = default;
    ~CFFmpegDecoder() override;
    CFFmpegDecoder(const CFFmpegDecoder&) = delete;
    CFFmpegDecoder& operator=(const CFFmpegDecoder&) = delete;

    bool Open(const std::string& path, std::string& error) override;
    int Channels() const override { return m_channels; }
    int Rate() const override { return m_rate; }
    int64_t Read(float* out, int64_t frames) override;
    const char* Name() const override { return "FFmpeg"; }

private:
    // Decodes the next frame into m_pending. False at the end or on an error.
    bool DecodeMore();
    bool Convert(const AVFrame* frame);
    static void RouteFFmpegLog(const CFFmpegLibrary& av);

    const CFFmpegLibrary* m_av = nullptr; // set once Open found the libraries
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_swr = nullptr;
    int m_stream = -1;
    int m_channels = 0;
    int m_rate = 0;
    bool m_flushed = false;
    bool m_failed = false;
    std::vector<float> m_pending; // converted samples not yet handed out
    size_t m_pendingPos = 0;
};
