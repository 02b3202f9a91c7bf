#include "engine/CSndFileEncoder.h"

#include "engine/Id3v2Tag.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int SndFileFormat(FormatKind kind) {
    switch (kind) {
    case FormatKind::Wav16:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case FormatKind::Wav24:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case FormatKind::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case FormatKind::Ogg:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case FormatKind::WavFloat:
    case FormatKind::Wma:
        break;
    }
    return 0;
}

bool IsWav(FormatKind kind) {
    return kind == FormatKind::Wav16 || kind == FormatKind::Wav24;
}

int BytesPerSample(FormatKind kind) {
    return kind == FormatKind::Wav16 ? 2 : 3;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

// libsndfile's constant-bit-rate MP3 encoder takes a compression level from 0 (320 kbit/s)
// to 1 (32 kbit/s) on a straight line; the half kilobit keeps rounding from landing on the
// next lower rate.
double Mp3CompressionLevel(int kbps) {
    const double level = (320.0 - kbps + 0.5) / (320.0 - 32.0);
    return level < 0.0 ? 0.0 : level > 1.0 ? 1.0 : level;
}

} // namespace

CSndFileEncoder::~CSndFileEncoder() {
    CloseFile();
}

int64_t CSndFileEncoder::MaxWavFrames(int blockAlign) {
    constexpr int64_t kHeaderRoom = 1 << 16;
    return (int64_t{0xFFFFFFFF} - kHeaderRoom) / blockAlign;
}

void CSndFileEncoder::CloseFile() {
    if (m_file) {
        sf_close(m_file);
        m_file = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CSndFileEncoder::Open(const std::string& path, const FormatDetails& details,
                           std::string& error) {
    SF_INFO info{};
    info.samplerate = details.sampleRate;
    info.channels = details.channels;
    info.format = SndFileFormat(details.kind);
    if (info.format == 0 || !sf_format_check(&info)) {
        error = std::string("libsndfile cannot write ") + details.KindName();
        return false;
    }
    m_fd = ::open(path.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
    if (m_fd < 0) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    if (details.kind == FormatKind::Mp3 && !WriteId3Tag(details, error))
        return false;
    // libsndfile's file starts after our tag, which puts the MP3 stream (and the info frame
    // it rewrites on closing) after it.
    m_base = ::lseek(m_fd, 0, SEEK_CUR);
    m_ioError = 0;
    SF_VIRTUAL_IO io{&IoLength, &IoSeek, &IoRead, &IoWrite, &IoTell};
    m_file = m_base < 0 ? nullptr : sf_open_virtual(&io, SFM_WRITE, &info, this);
    if (!m_file) {
        error = std::string("libsndfile: ") + sf_strerror(nullptr);
        return false;
    }
    if (!ApplySettings(details, error))
        return false;
    if (details.writeTags && details.kind != FormatKind::Mp3 && !ApplyTags(details.tags, error))
        return false;
    m_framesWritten = 0;
    m_frameLimit =
        IsWav(details.kind) ? MaxWavFrames(details.channels * BytesPerSample(details.kind)) : 0;
    return true;
}

bool CSndFileEncoder::WriteId3Tag(const FormatDetails& details, std::string& error) {
    if (!details.writeTags)
        return true;
    const std::vector<uint8_t> tag = BuildId3v2Tag(details.tags);
    if (!WriteAll(m_fd, tag.data(), tag.size())) {
        error = std::string("cannot write the ID3 tag: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool CSndFileEncoder::ApplySettings(const FormatDetails& details, std::string& error) {
    switch (details.kind) {
    case FormatKind::Wav16:
    case FormatKind::Wav24:
        sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        return true;
    case FormatKind::Mp3: {
        // This command reports 0 even when it took effect, so its result says nothing.
        int mode = SF_BITRATE_MODE_CONSTANT;
        sf_command(m_file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
        double level = Mp3CompressionLevel(details.bitrateKbps);
        if (sf_command(m_file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level)) != SF_TRUE) {
            error = "libsndfile refused the MP3 bit rate";
            return false;
        }
        return true;
    }
    case FormatKind::Ogg: {
        double quality = details.oggQuality / double(FormatDetails::kMaxOggQuality);
        if (sf_command(m_file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality)) !=
            SF_TRUE) {
            error = "libsndfile refused the Vorbis quality";
            return false;
        }
        return true;
    }
    case FormatKind::WavFloat:
    case FormatKind::Wma:
        break;
    }
    error = "not a libsndfile format";
    return false;
}

bool CSndFileEncoder::ApplyTags(const SoundTags& tags, std::string& error) {
    const std::string track = tags.TrackNumberText();
    const std::pair<int, const std::string*> strings[] = {
        {SF_STR_TITLE, &tags.title},     {SF_STR_ARTIST, &tags.artist},
        {SF_STR_ALBUM, &tags.album},     {SF_STR_GENRE, &tags.genre},
        {SF_STR_TRACKNUMBER, &track},    {SF_STR_DATE, &tags.year},
        {SF_STR_COMMENT, &tags.comment}, {SF_STR_COPYRIGHT, &tags.copyright},
    };
    for (const auto& [type, text] : strings) {
        if (text->empty())
            continue;
        const int result = sf_set_string(m_file, type, text->c_str());
        if (result != SF_ERR_NO_ERROR) {
            error = std::string("libsndfile refused a tag: ") + sf_error_number(result);
            return false;
        }
    }
    return true;
}

bool CSndFileEncoder::Write(const float* interleaved, int64_t frames, std::string& error) {
    if (!m_file) {
        error = "not open";
        return false;
    }
    if (m_frameLimit > 0 && frames > m_frameLimit - m_framesWritten) {
        error = "the WAV file would pass its 4 GB size limit";
        return false;
    }
    const sf_count_t written = sf_writef_float(m_file, interleaved, frames);
    if (!CheckIo(error))
        return false;
    if (written != frames || sf_error(m_file) != SF_ERR_NO_ERROR) {
        error = std::string("libsndfile: ") + sf_strerror(m_file);
        return false;
    }
    m_framesWritten += frames;
    return true;
}

bool CSndFileEncoder::CheckIo(std::string& error) const {
    if (m_ioError == 0)
        return true;
    error = std::string("writing failed: ") + std::strerror(m_ioError);
    return false;
}

void CSndFileEncoder::NoteIoFailure() {
    if (m_ioError == 0)
        m_ioError = errno != 0 ? errno : EIO;
}

sf_count_t CSndFileEncoder::IoLength(void* user) {
    auto* self = static_cast<CSndFileEncoder*>(user);
    struct stat info;
    if (::fstat(self->m_fd, &info) != 0)
        return -1;
    return std::max<sf_count_t>(0, info.st_size - self->m_base);
}

sf_count_t CSndFileEncoder::IoSeek(sf_count_t offset, int whence, void* user) {
    auto* self = static_cast<CSndFileEncoder*>(user);
    const off_t at =
        ::lseek(self->m_fd, whence == SEEK_SET ? offset + self->m_base : offset, whence);
    if (at < 0) {
        self->NoteIoFailure();
        return -1;
    }
    return at - self->m_base;
}

sf_count_t CSndFileEncoder::IoRead(void* buffer, sf_count_t count, void* user) {
    auto* self = static_cast<CSndFileEncoder*>(user);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(self->m_fd, static_cast<char*>(buffer) + done,
                                   static_cast<size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

sf_count_t CSndFileEncoder::IoWrite(const void* buffer, sf_count_t count, void* user) {
    auto* self = static_cast<CSndFileEncoder*>(user);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(self->m_fd, static_cast<const char*>(buffer) + done,
                                    static_cast<size_t>(count - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            self->NoteIoFailure();
            break;
        }
        done += put;
    }
    return done;
}

sf_count_t CSndFileEncoder::IoTell(void* user) {
    auto* self = static_cast<CSndFileEncoder*>(user);
    const off_t at = ::lseek(self->m_fd, 0, SEEK_CUR);
    return at < 0 ? -1 : at - self->m_base;
}

bool CSndFileEncoder::Finish(std::string& error) {
    if (!m_file) {
        error = "not open";
        return false;
    }
    // Closing writes what the codec still holds and completes the headers.
    const int result = sf_close(m_file);
    m_file = nullptr;
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (!CheckIo(error))
        return false;
    if (result != SF_ERR_NO_ERROR) {
        error = std::string("libsndfile: ") + sf_error_number(result);
        return false;
    }
    if (closed != 0) {
        error = std::string("closing failed: ") + std::strerror(errno);
        return false;
    }
    return true;
}
