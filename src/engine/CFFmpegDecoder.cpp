#include "engine/CFFmpegDecoder.h"

#include "engine/CFFmpegLibrary.h"
#include "support/Log.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace {

std::string ErrorText(const CFFmpegLibrary& av, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av.av_strerror(code, text, sizeof(text));
    return text;
}

// FFmpeg's own complaints about a broken file go to the program's log rather
// than to stderr; chatter below error level is dropped.
void LogFromFFmpeg(void* object, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR)
        return;
    char line[1024];
    int printPrefix = 1;
    CFFmpegLibrary::Get()->av_log_format_line2(object, level, format, args, line, sizeof(line),
                                               &printPrefix);
    const size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        line[length - 1] = '\0';
    LogFmt("FFmpeg: %s", line);
}

} // namespace

void CFFmpegDecoder::RouteFFmpegLog(const CFFmpegLibrary& av) {
    static std::once_flag once;
    std::call_once(once, [&av] { av.av_log_set_callback(LogFromFFmpeg); });
}

CFFmpegDecoder::~CFFmpegDecoder() {
    if (!m_av)
        return; // nothing was made
    m_av->swr_free(&m_swr);
    m_av->av_frame_free(&m_frame);
    m_av->av_packet_free(&m_packet);
    m_av->avcodec_free_context(&m_codec);
    m_av->avformat_close_input(&m_format);
}

bool CFFmpegDecoder::Open(const std::string& path, std::string& error) {
    std::string missing;
    m_av = CFFmpegLibrary::Get(&missing);
    if (!m_av) {
        error = "FFmpeg: not available (" + missing + ")";
        return false;
    }
    RouteFFmpegLog(*m_av);
    int result = m_av->avformat_open_input(&m_format, path.c_str(), nullptr, nullptr);
    if (result < 0) {
        error = "FFmpeg: cannot open (" + ErrorText(*m_av, result) + ")";
        return false;
    }
    result = m_av->avformat_find_stream_info(m_format, nullptr);
    if (result < 0) {
        error = "FFmpeg: no stream information (" + ErrorText(*m_av, result) + ")";
        return false;
    }
    const AVCodec* decoder = nullptr;
    m_stream = m_av->av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (m_stream < 0 || !decoder) {
        error = "FFmpeg: no decodable audio stream";
        return false;
    }
    const AVStream* stream = m_format->streams[m_stream];
    m_codec = m_av->avcodec_alloc_context3(decoder);
    m_packet = m_av->av_packet_alloc();
    m_frame = m_av->av_frame_alloc();
    if (!m_codec || !m_packet || !m_frame ||
        m_av->avcodec_parameters_to_context(m_codec, stream->codecpar) < 0) {
        error = "FFmpeg: out of memory";
        return false;
    }
    m_codec->pkt_timebase = stream->time_base;
    result = m_av->avcodec_open2(m_codec, decoder, nullptr);
    if (result < 0) {
        error = std::string("FFmpeg: cannot open the ") + decoder->name + " decoder (" +
                ErrorText(*m_av, result) + ")";
        return false;
    }
    m_channels = m_codec->ch_layout.nb_channels;
    m_rate = m_codec->sample_rate;
    if (m_channels < 1 || m_channels > kMaxChannels || m_rate < kMinRate || m_rate > kMaxRate) {
        error = "FFmpeg: unsupported format (" + std::to_string(m_channels) + " channels at " +
                std::to_string(m_rate) + " Hz)";
        return false;
    }
    return true;
}

int64_t CFFmpegDecoder::Read(float* out, int64_t frames) {
    int64_t done = 0;
    while (done < frames) {
        if (m_pendingPos == m_pending.size() && !DecodeMore())
            break;
        const size_t available = (m_pending.size() - m_pendingPos) / m_channels;
        const size_t count = std::min<size_t>(available, static_cast<size_t>(frames - done));
        std::memcpy(out + done * m_channels, m_pending.data() + m_pendingPos,
                    count * m_channels * sizeof(float));
        m_pendingPos += count * m_channels;
        done += static_cast<int64_t>(count);
    }
    return (done == 0 && m_failed) ? -1 : done;
}

bool CFFmpegDecoder::DecodeMore() {
    m_pending.clear();
    m_pendingPos = 0;
    while (!m_failed) {
        const int received = m_av->avcodec_receive_frame(m_codec, m_frame);
        if (received == 0) {
            const bool converted = Convert(m_frame);
            m_av->av_frame_unref(m_frame);
            if (!converted)
                m_failed = true;
            else if (!m_pending.empty())
                return true;
            continue;
        }
        if (received == AVERROR_EOF)
            return false;
        if (received != AVERROR(EAGAIN)) {
            m_failed = true;
            break;
        }
        if (m_flushed)
            return false;
        const int read = m_av->av_read_frame(m_format, m_packet);
        if (read < 0) {
            // End of the file (or an unreadable rest): drain what the decoder holds.
            m_flushed = true;
            m_av->avcodec_send_packet(m_codec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream) {
            // A damaged packet is skipped, as players do; the decoder goes on with the next.
            m_av->avcodec_send_packet(m_codec, m_packet);
        }
        m_av->av_packet_unref(m_packet);
    }
    return false;
}

bool CFFmpegDecoder::Convert(const AVFrame* frame) {
    if (frame->ch_layout.nb_channels != m_channels || frame->sample_rate != m_rate)
        return false; // a stream that changes format midway is not supported
    if (!m_swr) {
        AVChannelLayout layout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            m_av->av_channel_layout_default(&layout, m_channels);
        else if (m_av->av_channel_layout_copy(&layout, &frame->ch_layout) < 0)
            return false;
        const int result = m_av->swr_alloc_set_opts2(
            &m_swr, &layout, AV_SAMPLE_FMT_FLT, m_rate, &layout,
            static_cast<AVSampleFormat>(frame->format), m_rate, 0, nullptr);
        m_av->av_channel_layout_uninit(&layout);
        if (result < 0 || m_av->swr_init(m_swr) < 0)
            return false;
    }
    const int capacity = m_av->swr_get_out_samples(m_swr, frame->nb_samples);
    if (capacity < 0)
        return false;
    m_pending.resize(static_cast<size_t>(capacity) * m_channels);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(m_pending.data())};
    const int converted =
        m_av->swr_convert(m_swr, outPlanes, capacity,
                          const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted < 0)
        return false;
    m_pending.resize(static_cast<size_t>(converted) * m_channels);
    return true;
}
