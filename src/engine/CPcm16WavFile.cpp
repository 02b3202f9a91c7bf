#include "engine/CPcm16WavFile.h"

#include "engine/CWaveChunks.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The most frames one pread takes; longer reads go in pieces of this size so
// the buffer stays small enough to stay in the cache.
constexpr int64_t kPieceFrames = 16384;

// What sf_readf_float gives for a 16-bit sample: the value over 32768.
constexpr float kScale = 1.0f / 32768.0f;

// Converts count samples to float at kScale. The target is a sound stream
// the mixing thread reads on the other processor; writing it around the
// cache (where the processor can) spares fetching each line first from the
// cache that read it last, which took most of the reader's time.
void ConvertSamples(const int16_t* samples, float* target, size_t count) {
    size_t index = 0;
#if defined(__SSE2__)
    while (index < count && reinterpret_cast<uintptr_t>(target + index) % 16 != 0) {
        target[index] = static_cast<float>(samples[index]) * kScale;
        ++index;
    }
    const __m128 scale = _mm_set1_ps(kScale);
    const __m128i zero = _mm_setzero_si128();
    for (; index + 8 <= count; index += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + index));
        // Sign extension to 32 bits: the sample into the high half, shifted down.
        const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(zero, eight), 16);
        const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(zero, eight), 16);
        _mm_stream_ps(target + index, _mm_mul_ps(_mm_cvtepi32_ps(low), scale));
        _mm_stream_ps(target + index + 4, _mm_mul_ps(_mm_cvtepi32_ps(high), scale));
    }
    _mm_sfence();
#endif
    for (; index < count; ++index)
        target[index] = static_cast<float>(samples[index]) * kScale;
}

struct FmtChunk {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

uint16_t ReadLE16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

bool ReadFmt(const CWaveChunks& chunks, FmtChunk& fmt) {
    const CWaveChunks::Chunk* chunk = chunks.Find("fmt ");
    if (!chunk)
        return false;
    const std::vector<uint8_t> body = chunks.Body(*chunk, 16);
    if (body.size() < 16)
        return false;
    fmt.formatTag = ReadLE16(body.data());
    fmt.channels = ReadLE16(body.data() + 2);
    fmt.blockAlign = ReadLE16(body.data() + 12);
    fmt.bitsPerSample = ReadLE16(body.data() + 14);
    return true;
}

// Reads up to size bytes at offset, going on after short reads; how many it got.
size_t ReadAt(int fd, uint64_t offset, void* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, static_cast<char*>(out) + done, size - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

} // namespace

CPcm16WavFile::~CPcm16WavFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CPcm16WavFile::Open(const std::string& path, int channels, int64_t frames) {
    CWaveChunks chunks;
    FmtChunk fmt;
    // The samples are taken as they lie in the file, little-endian.
    if (std::endian::native != std::endian::little)
        return false;
    if (channels < 1 || channels > 2 || frames <= 0 || !chunks.ReadFile(path) ||
        !ReadFmt(chunks, fmt))
        return false;
    // WAVE_FORMAT_PCM, or WAVE_FORMAT_EXTENSIBLE, whose subformat libsndfile
    // has already found to be PCM when it called the file 16-bit PCM.
    const bool pcm = fmt.formatTag == 1 || fmt.formatTag == 0xFFFE;
    const CWaveChunks::Chunk* data = chunks.Find("data");
    const auto frameBytes = static_cast<uint64_t>(channels) * 2;
    if (!pcm || fmt.channels != channels || fmt.bitsPerSample != 16 ||
        fmt.blockAlign != frameBytes || !data ||
        data->presentSize < static_cast<uint64_t>(frames) * frameBytes)
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    m_channels = channels;
    m_frames = frames;
    m_dataOffset = data->bodyOffset;
    return true;
}

int64_t CPcm16WavFile::Read(int64_t frame, int64_t count, float* out) {
    if (m_fd < 0 || frame < 0 || count <= 0 || frame >= m_frames)
        return 0;
    count = std::min(count, m_frames - frame);
    const auto frameBytes = static_cast<size_t>(m_channels) * 2;
    // Only grown: a resize up clears the new part, which cost as much as the reading.
    const auto needed = static_cast<size_t>(std::min(count, kPieceFrames) * m_channels);
    if (m_buffer.size() < needed)
        m_buffer.resize(needed);
    int64_t done = 0;
    while (done < count) {
        const int64_t piece = std::min(count - done, kPieceFrames);
        const size_t got =
            ReadAt(m_fd, m_dataOffset + static_cast<uint64_t>(frame + done) * frameBytes,
                   m_buffer.data(), static_cast<size_t>(piece) * frameBytes);
        const int64_t whole = static_cast<int64_t>(got / frameBytes);
        const size_t samples = static_cast<size_t>(whole * m_channels);
        ConvertSamples(m_buffer.data(), out + done * m_channels, samples);
        done += whole;
        if (whole < piece)
            break;
    }
    return done;
}
