#include "engine/CFFmpegEncoder.h"

#include "engine/CFFmpegLibrary.h"

#include <algorithm>

namespace {

std::string ErrorText(const CFFmpegLibrary& av, const char* step, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av.av_strerror(code, text, sizeof(text));
    return std::string(step) + ": " + text;
}

} // namespace

CFFmpegEncoder::~CFFmpegEncoder() {
    if (!m_av)
        return; // nothing was made
    m_av->av_frame_free(&m_frame);
    m_av->av_packet_free(&m_packet);
    m_av->avcodec_free_context(&m_codec);
    if (m_format) {
        m_av->avio_closep(&m_format->pb);
        m_av->avformat_free_context(m_format);
    }
}

bool CFFmpegEncoder::Open(const std::string& path, const FormatDetails& details,
                          std::string& error) {
    if (details.kind != FormatKind::Wma) {
        error = std::string("FFmpeg back end cannot write ") + details.KindName();
        return false;
    }
    std::string missing;
    m_av = CFFmpegLibrary::Get(&missing);
    if (!m_av) {
        error = "FFmpeg: not available (" + missing + ")";
        return false;
    }
    int result = m_av->avformat_alloc_output_context2(&m_format, nullptr, "asf", path.c_str());
    if (result < 0 || !m_format) {
        error = ErrorText(*m_av, "no ASF muxer", result);
        return false;
    }
    if (!OpenCodec(details, error))
        return false;
    if (details.writeTags)
        SetMetadata(details.tags);
    result = m_av->avio_open(&m_format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        error = ErrorText(*m_av, "cannot open", result);
        return false;
    }
    result = m_av->avformat_write_header(m_format, nullptr);
    if (result < 0) {
        error = ErrorText(*m_av, "cannot write the header", result);
        return false;
    }
    m_headerWritten = true;
    return WriteSilence(m_frameSize, error);
}

bool CFFmpegEncoder::OpenCodec(const FormatDetails& details, std::string& error) {
    const AVCodec* codec = m_av->avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    m_codec = codec ? m_av->avcodec_alloc_context3(codec) : nullptr;
    m_packet = m_av->av_packet_alloc();
    m_frame = m_av->av_frame_alloc();
    if (!m_codec || !m_packet || !m_frame) {
        error = codec ? "out of memory" : "no wmav2 encoder";
        return false;
    }
    m_channels = details.channels;
    m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_codec->sample_rate = details.sampleRate;
    m_av->av_channel_layout_default(&m_codec->ch_layout, details.channels);
    m_codec->bit_rate = int64_t{details.bitrateKbps} * 1000;
    m_codec->time_base = AVRational{1, details.sampleRate};
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = m_av->avcodec_open2(m_codec, codec, nullptr);
    if (result < 0) {
        error = ErrorText(*m_av, "wmav2 refused the settings", result);
        return false;
    }
    m_stream = m_av->avformat_new_stream(m_format, nullptr);
    if (!m_stream || m_av->avcodec_parameters_from_context(m_stream->codecpar, m_codec) < 0) {
        error = "cannot add the audio stream";
        return false;
    }
    m_stream->time_base = m_codec->time_base;
    m_frameSize = m_codec->frame_size;
    m_frame->format = m_codec->sample_fmt;
    m_frame->sample_rate = m_codec->sample_rate;
    m_frame->nb_samples = m_frameSize;
    m_av->av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
    result = m_frameSize > 0 ? m_av->av_frame_get_buffer(m_frame, 0) : AVERROR(EINVAL);
    if (result < 0) {
        error = ErrorText(*m_av, "cannot allocate the frame", result);
        return false;
    }
    return true;
}

void CFFmpegEncoder::SetMetadata(const SoundTags& tags) {
    const std::string track = tags.TrackNumberText();
    // Generic names; the ASF muxer maps them to its own (artist to Author, album to
    // WM/AlbumTitle, ...).
    const std::pair<const char*, const std::string*> entries[] = {
        {"title", &tags.title},     {"artist", &tags.artist},
        {"album", &tags.album},     {"genre", &tags.genre},
        {"track", &track},          {"date", &tags.year},
        {"comment", &tags.comment}, {"copyright", &tags.copyright},
    };
    for (const auto& [key, text] : entries) {
        if (!text->empty())
            m_av->av_dict_set(&m_format->metadata, key, text->c_str(), 0);
    }
}

bool CFFmpegEncoder::Write(const float* interleaved, int64_t frames, std::string& error) {
    if (!m_headerWritten) {
        error = "not open";
        return false;
    }
    while (frames > 0) {
        if (m_filled == 0 && m_av->av_frame_make_writable(m_frame) < 0) {
            error = "cannot reuse the frame";
            return false;
        }
        const int count = static_cast<int>(std::min<int64_t>(frames, m_frameSize - m_filled));
        for (int ch = 0; ch < m_channels; ++ch) {
            float* plane = reinterpret_cast<float*>(m_frame->extended_data[ch]) + m_filled;
            const float* in = interleaved + ch;
            for (int i = 0; i < count; ++i)
                plane[i] = in[size_t(i) * m_channels];
        }
        m_filled += count;
        interleaved += size_t(count) * m_channels;
        frames -= count;
        if (m_filled == m_frameSize && !SendFullFrame(error))
            return false;
    }
    return true;
}

bool CFFmpegEncoder::SendFullFrame(std::string& error) {
    m_frame->pts = m_nextPts;
    m_nextPts += m_frameSize;
    m_filled = 0;
    return Encode(m_frame, error);
}

bool CFFmpegEncoder::Encode(AVFrame* frame, std::string& error) {
    int result = m_av->avcodec_send_frame(m_codec, frame);
    if (result < 0) {
        error = ErrorText(*m_av, "encoding failed", result);
        return false;
    }
    for (;;) {
        result = m_av->avcodec_receive_packet(m_codec, m_packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            error = ErrorText(*m_av, "encoding failed", result);
            return false;
        }
        m_av->av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        result = m_av->av_interleaved_write_frame(m_format, m_packet);
        // The muxer writes through a buffer whose failures it only remembers.
        if (result >= 0 && m_format->pb->error < 0)
            result = m_format->pb->error;
        if (result < 0) {
            error = ErrorText(*m_av, "writing failed", result);
            return false;
        }
    }
}

bool CFFmpegEncoder::WriteSilence(int64_t samples, std::string& error) {
    while (samples > 0) {
        if (m_filled == 0 && m_av->av_frame_make_writable(m_frame) < 0) {
            error = "cannot reuse the frame";
            return false;
        }
        const int count = static_cast<int>(std::min<int64_t>(samples, m_frameSize - m_filled));
        for (int ch = 0; ch < m_channels; ++ch)
            std::fill_n(reinterpret_cast<float*>(m_frame->extended_data[ch]) + m_filled, count,
                        0.0f);
        m_filled += count;
        samples -= count;
        if (m_filled == m_frameSize && !SendFullFrame(error))
            return false;
    }
    return true;
}

bool CFFmpegEncoder::Finish(std::string& error) {
    if (!m_headerWritten) {
        error = "not open";
        return false;
    }
    const int64_t partial = m_filled > 0 ? m_frameSize - m_filled : 0;
    if (!WriteSilence(partial, error) || !Encode(nullptr, error))
        return false;
    int result = m_av->av_write_trailer(m_format);
    if (result < 0) {
        error = ErrorText(*m_av, "cannot finish the file", result);
        return false;
    }
    result = m_av->avio_closep(&m_format->pb);
    if (result < 0) {
        error = ErrorText(*m_av, "closing failed", result);
        return false;
    }
    m_headerWritten = false;
    return true;
}
