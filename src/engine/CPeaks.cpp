#include "engine/CPeaks.h"

#include "support/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char kMagic[4] = {'L', 'T', 'P', 'K'};
constexpr uint32_t kVersion = 1;

struct PeakFileHeader {
    char magic[4];
    uint32_t version;
    uint32_t channels;
    uint32_t blockFrames;
    int64_t frames;
};

// Modification time in nanoseconds, or -1 when the file cannot be examined.
int64_t ModifiedNs(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// The peak of one channel of interleaved frames [from, to), which must not be empty.
PeakRange RangeOf(const float* samples, int channels, int channel, int64_t from, int64_t to) {
    PeakRange range{samples[from * channels + channel], samples[from * channels + channel]};
    for (int64_t i = from + 1; i < to; ++i) {
        const float value = samples[i * channels + channel];
        range.min = std::min(range.min, value);
        range.max = std::max(range.max, value);
    }
    return range;
}

PeakRange Merge(PeakRange a, PeakRange b) {
    return {std::min(a.min, b.min), std::max(a.max, b.max)};
}

} // namespace

CPeaks::CPeaks(std::shared_ptr<const CSoundData> data) : m_data(std::move(data)) {
    m_blocks = (m_data->Frames() + kBlockFrames - 1) / kBlockFrames;
}

std::shared_ptr<const CPeaks> CPeaks::Build(std::shared_ptr<const CSoundData> data) {
    if (!data)
        return nullptr;
    std::shared_ptr<CPeaks> peaks(new CPeaks(std::move(data)));
    peaks->Compute();
    return peaks;
}

std::shared_ptr<const CPeaks> CPeaks::OnDemand(std::shared_ptr<const CSoundData> data) {
    if (!data)
        return nullptr;
    std::shared_ptr<CPeaks> peaks(new CPeaks(std::move(data)));
    peaks->m_onDemand = true;
    return peaks;
}

// The peaks are filled in once, by whichever caller asks first; the others
// wait for it.
void CPeaks::ComputeOnce() const {
    if (m_onDemand)
        std::call_once(m_computed, [this] { const_cast<CPeaks*>(this)->Compute(); });
}

std::shared_ptr<const CPeaks> CPeaks::LoadOrBuild(std::shared_ptr<const CSoundData> data,
                                                  const std::string& audioPath,
                                                  const std::string& peakPath) {
    if (!data)
        return nullptr;
    std::shared_ptr<CPeaks> peaks(new CPeaks(std::move(data)));
    if (!peakPath.empty()) {
        const int64_t peakTime = ModifiedNs(peakPath);
        const bool current = peakTime >= 0 && peakTime >= ModifiedNs(audioPath);
        if (current && peaks->Read(peakPath))
            return peaks;
    }
    peaks->Compute();
    if (!peakPath.empty() && !peaks->Write(peakPath))
        LogFmt("CPeaks::LoadOrBuild could not write '%s'", peakPath.c_str());
    return peaks;
}

void CPeaks::Compute() {
    const int channels = Channels();
    m_peaks.assign(static_cast<size_t>(m_blocks * channels), PeakRange{});
    // Many blocks per read, in order: a sound read from its own file is read
    // once from start to end, without seeking.
    constexpr int64_t kReadBlocks = 256;
    std::vector<float> samples(static_cast<size_t>(kReadBlocks * kBlockFrames * channels));
    for (int64_t firstBlock = 0; firstBlock < m_blocks; firstBlock += kReadBlocks) {
        const int64_t first = firstBlock * kBlockFrames;
        const int64_t end = std::min(first + kReadBlocks * kBlockFrames, Frames());
        m_data->ReadFrames(first, end - first, samples.data());
        const int64_t lastBlock = std::min(firstBlock + kReadBlocks, m_blocks);
        for (int64_t block = firstBlock; block < lastBlock; ++block) {
            const int64_t from = block * kBlockFrames - first;
            const int64_t to = std::min(from + kBlockFrames, end - first);
            for (int c = 0; c < channels; ++c)
                m_peaks[static_cast<size_t>(block * channels + c)] =
                    RangeOf(samples.data(), channels, c, from, to);
        }
    }
}

PeakRange CPeaks::FromSamples(int channel, int64_t first, int64_t end) const {
    const int channels = Channels();
    std::vector<float> samples(static_cast<size_t>((end - first) * channels));
    m_data->ReadFrames(first, end - first, samples.data());
    return RangeOf(samples.data(), channels, channel, 0, end - first);
}

PeakRange CPeaks::Block(int channel, int64_t block) const {
    if (channel < 0 || channel >= Channels() || block < 0 || block >= m_blocks)
        return {};
    ComputeOnce();
    return BlockAt(channel, block);
}

PeakRange CPeaks::BlockAt(int channel, int64_t block) const {
    return m_peaks[static_cast<size_t>(block * Channels() + channel)];
}

// The peak of frames [first, end), which must lie inside the sound and not be empty.
PeakRange CPeaks::Range(int channel, int64_t first, int64_t end) const {
    const int64_t firstWhole = (first + kBlockFrames - 1) / kBlockFrames;
    const int64_t endWhole = end / kBlockFrames;
    if (firstWhole >= endWhole)
        return FromSamples(channel, first, end);
    PeakRange range = BlockAt(channel, firstWhole);
    for (int64_t block = firstWhole + 1; block < endWhole; ++block)
        range = Merge(range, BlockAt(channel, block));
    if (first < firstWhole * kBlockFrames)
        range = Merge(range, FromSamples(channel, first, firstWhole * kBlockFrames));
    if (endWhole * kBlockFrames < end)
        range = Merge(range, FromSamples(channel, endWhole * kBlockFrames, end));
    return range;
}

bool CPeaks::Query(int channel, int64_t startFrame, int64_t endFrame,
                   std::span<PeakRange> pixels) const {
    if (channel < 0 || channel >= Channels() || endFrame <= startFrame || pixels.empty())
        return false;
    ComputeOnce();
    const auto span = static_cast<__int128>(endFrame - startFrame);
    const auto count = static_cast<__int128>(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int64_t from = startFrame + static_cast<int64_t>(span * i / count);
        int64_t to = startFrame + static_cast<int64_t>(span * (i + 1) / count);
        to = std::max(to, from + 1); // closer than one frame per pixel: show that frame
        const int64_t first = std::max<int64_t>(from, 0);
        const int64_t end = std::min(to, Frames());
        pixels[i] = first < end ? Range(channel, first, end) : PeakRange{};
    }
    return true;
}

bool CPeaks::Read(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    PeakFileHeader header{};
    const size_t expected = static_cast<size_t>(m_blocks * Channels());
    std::vector<PeakRange> peaks(expected);
    bool ok = std::fread(&header, sizeof(header), 1, file) == 1 &&
              std::memcmp(header.magic, kMagic, 4) == 0 && header.version == kVersion &&
              header.channels == static_cast<uint32_t>(Channels()) &&
              header.blockFrames == kBlockFrames && header.frames == Frames() &&
              std::fread(peaks.data(), sizeof(PeakRange), expected, file) == expected &&
              std::fgetc(file) == EOF;
    std::fclose(file);
    if (ok)
        m_peaks = std::move(peaks);
    return ok;
}

bool CPeaks::Write(const std::string& path) const {
    static std::atomic<unsigned> counter{0};
    const std::string tempPath =
        path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    std::FILE* file = std::fopen(tempPath.c_str(), "wb");
    if (!file)
        return false;
    PeakFileHeader header{};
    std::memcpy(header.magic, kMagic, 4);
    header.version = kVersion;
    header.channels = static_cast<uint32_t>(Channels());
    header.blockFrames = static_cast<uint32_t>(kBlockFrames);
    header.frames = Frames();
    bool ok =
        std::fwrite(&header, sizeof(header), 1, file) == 1 &&
        std::fwrite(m_peaks.data(), sizeof(PeakRange), m_peaks.size(), file) == m_peaks.size();
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(tempPath.c_str(), path.c_str()) == 0)
        return true;
    std::remove(tempPath.c_str());
    return false;
}
