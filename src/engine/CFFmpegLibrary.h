#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <string>

// Every FFmpeg function the decoder and encoder call.
#define LOOMTONE_FFMPEG_FUNCTIONS(X)                                                               \
    X(av_channel_layout_copy)                                                                      \
    X(av_channel_layout_default)                                                                   \
    X(av_channel_layout_uninit)                                                                    \
    X(av_dict_set)                                                                                 \
    X(av_find_best_stream)                                                                         \
    X(av_frame_alloc)                                                                              \
    X(av_frame_free)                                                                               \
    X(av_frame_get_buffer)                                                                         \
    X(av_frame_make_writable)                                                                      \
    X(av_frame_unref)                                                                              \
    X(av_interleaved_write_frame)                                                                  \
    X(av_log_format_line2)                                                                         \
    X(av_log_set_callback)                                                                         \
    X(av_packet_alloc)                                                                             \
    X(av_packet_free)                                                                              \
    X(av_packet_rescale_ts)                                                                        \
    X(av_packet_unref)                                                                             \
    X(av_read_frame)                                                                               \
    X(av_strerror)                                                                                 \
    X(av_write_trailer)                                                                            \
    X(avcodec_alloc_context3)                                                                      \
    X(avcodec_find_encoder)                                                                        \
    X(avcodec_free_context)                                                                        \
    X(avcodec_open2)                                                                               \
    X(avcodec_parameters_from_context)                                                             \
    X(avcodec_parameters_to_context)                                                               \
    X(avcodec_receive_frame)                                                                       \
    X(avcodec_receive_packet)                                                                      \
    X(avcodec_send_frame)                                                                          \
    X(avcodec_send_packet)                                                                         \
    X(avformat_alloc_output_context2)                                                              \
    X(avformat_close_input)                                                                        \
    X(avformat_find_stream_info)                                                                   \
    X(avformat_free_context)                                                                       \
    X(avformat_new_stream)                                                                         \
    X(avformat_open_input)                                                                         \
    X(avformat_write_header)                                                                       \
    X(avio_closep)                                                                                 \
    X(avio_open)                                                                                   \
    X(swr_alloc_set_opts2)                                                                         \
    X(swr_convert)                                                                                 \
    X(swr_free)                                                                                    \
    X(swr_get_out_samples)                                                                         \
    X(swr_init)

// FFmpeg's libraries, opened the first time a sound needs them. They bring
// about a hundred further libraries with them, whose loading took most of
// the program's start; most projects and every mix-down to WAV, MP3 or OGG
// never need them, so the program is not linked against them.
class CFFmpegLibrary {
public:
    // The libraries with every function found, or nullptr (said once in the
    // log, and in reason) when they cannot be opened. Thread-safe.
    static const CFFmpegLibrary* Get(std::string* reason = nullptr);

#define LOOMTONE_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    LOOMTONE_FFMPEG_FUNCTIONS(LOOMTONE_FFMPEG_POINTER)
#undef LOOMTONE_FFMPEG_POINTER

private:
    CFFmpegLibrary() = default;
    bool Load(std::string& reason);
};
