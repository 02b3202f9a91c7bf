#include "engine/CSoundCache.h"

#include "engine/CSoundDecoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr char kMetaMagic[4] = {'L', 'T', 'S', 'C'};
constexpr uint32_t kMetaVersion = 1;
constexpr size_t kMaxPathBytes = 65536;
constexpr size_t kNameChars = 64;

uint64_t Fnv1a(uint64_t hash, const void* bytes, size_t size) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        hash ^= p[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string HashOf(const CSoundCache::Key& key) {
    uint64_t hash = 0xcbf29ce484222325ull;
    hash = Fnv1a(hash, key.sourcePath.data(), key.sourcePath.size() + 1);
    hash = Fnv1a(hash, &key.size, sizeof(key.size));
    hash = Fnv1a(hash, &key.mtimeNs, sizeof(key.mtimeNs));
    hash = Fnv1a(hash, &key.mixerRate, sizeof(key.mixerRate));
    char text[17];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The source's file name, kept readable but limited to harmless characters.
std::string NamePrefix(const std::string& sourcePath) {
    std::string name = std::filesystem::path(sourcePath).filename().string();
    if (name.size() > kNameChars)
        name.resize(kNameChars);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            c = '_';
    return name + ".";
}

template <typename T> void Put(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

// Reads fixed-size values from a byte string, never past its end.
class MetaReader {
public:
    explicit MetaReader(const std::string& bytes) : m_bytes(bytes) {}
    template <typename T> bool Get(T& value) {
        if (m_bytes.size() - m_pos < sizeof(T))
            return false;
        std::memcpy(&value, m_bytes.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return true;
    }
    bool GetString(size_t length, std::string& value) {
        if (m_bytes.size() - m_pos < length)
            return false;
        value.assign(m_bytes, m_pos, length);
        m_pos += length;
        return true;
    }
    bool AtEnd() const { return m_pos == m_bytes.size(); }

private:
    const std::string& m_bytes;
    size_t m_pos = 0;
};

// A name no other writer uses, so two loads of one file never share a temp file.
std::string TempSuffix() {
    static std::atomic<unsigned> counter{0};
    return ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool SyncAndClose(std::FILE* file) {
    bool ok = std::fflush(file) == 0 && !std::ferror(file);
    ok = ::fdatasync(::fileno(file)) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

} // namespace

std::optional<CSoundCache::Key> CSoundCache::KeyOf(const std::string& sourcePath, int mixerRate,
                                                   std::string& error) {
    struct stat info {};
    if (::stat(sourcePath.c_str(), &info) != 0) {
        error = std::string("cannot open the file (") + std::strerror(errno) + ")";
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return std::nullopt;
    }
    Key key;
    key.sourcePath = sourcePath;
    key.size = static_cast<uint64_t>(info.st_size);
    key.mtimeNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    key.mixerRate = mixerRate;
    return key;
}

CSoundCache::CSoundCache(std::string folder, Key key)
    : m_folder(std::move(folder)), m_key(std::move(key)) {
    m_prefix = NamePrefix(m_key.sourcePath);
    m_base = (std::filesystem::path(m_folder) / (m_prefix + HashOf(m_key))).string();
}

CSoundCache::~CSoundCache() {
    DiscardTemp();
}

void CSoundCache::DiscardTemp() {
    if (m_temp) {
        std::fclose(m_temp);
        m_temp = nullptr;
    }
    if (!m_tempPath.empty()) {
        std::remove(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

bool CSoundCache::Lookup(LoadedSound& sound) const {
    LoadedSound found;
    int64_t frames = 0;
    Key stored;
    if (!ReadMeta(MetaPath(), found, frames, stored) || stored.sourcePath != m_key.sourcePath ||
        stored.size != m_key.size || stored.mtimeNs != m_key.mtimeNs ||
        stored.mixerRate != m_key.mixerRate)
        return false;
    found.data =
        CSoundData::MapFile(DataPath(), MixChannels(found.sourceChannels), m_key.mixerRate);
    if (!found.data || found.data->Frames() != frames)
        return false;
    found.fromCache = true;
    found.cachePath = DataPath();
    found.peakPath = PeakPath();
    sound = std::move(found);
    return true;
}

bool CSoundCache::BeginWrite() {
    DiscardTemp();
    m_tempPath = DataPath() + TempSuffix();
    m_temp = std::fopen(m_tempPath.c_str(), "wb");
    if (!m_temp) {
        m_tempPath.clear();
        return false;
    }
    m_samplesWritten = 0;
    return true;
}

bool CSoundCache::Append(const float* samples, size_t count) {
    if (!m_temp || std::fwrite(samples, sizeof(float), count, m_temp) != count)
        return false;
    m_samplesWritten += static_cast<int64_t>(count);
    return true;
}

bool CSoundCache::Commit(LoadedSound& sound) {
    const int channels = MixChannels(sound.sourceChannels);
    if (!m_temp || m_samplesWritten % channels != 0)
        return false;
    std::FILE* file = m_temp;
    m_temp = nullptr;
    if (!SyncAndClose(file) || std::rename(m_tempPath.c_str(), DataPath().c_str()) != 0) {
        DiscardTemp();
        return false;
    }
    m_tempPath.clear();
    const std::string metaTemp = WriteMeta(sound, m_samplesWritten / channels);
    if (metaTemp.empty() || std::rename(metaTemp.c_str(), MetaPath().c_str()) != 0) {
        if (!metaTemp.empty())
            std::remove(metaTemp.c_str());
        return false;
    }
    sound.data = CSoundData::MapFile(DataPath(), channels, m_key.mixerRate);
    sound.cachePath = DataPath();
    sound.peakPath = PeakPath();
    return sound.data != nullptr;
}

// Writes the metadata under a temporary name and returns that name ("" on failure).
std::string CSoundCache::WriteMeta(const LoadedSound& sound, int64_t frames) const {
    std::string bytes(kMetaMagic, sizeof(kMetaMagic));
    Put(bytes, kMetaVersion);
    Put(bytes, m_key.size);
    Put(bytes, m_key.mtimeNs);
    Put(bytes, m_key.mixerRate);
    Put(bytes, static_cast<int32_t>(sound.sourceRate));
    Put(bytes, static_cast<int32_t>(sound.sourceChannels));
    Put(bytes, frames);
    Put(bytes, sound.tempo);
    Put(bytes, static_cast<int32_t>(sound.rootNote));
    Put(bytes, static_cast<int32_t>(sound.beatCount));
    Put(bytes, sound.beatLengthMs);
    Put(bytes, static_cast<uint32_t>(m_key.sourcePath.size()));
    bytes += m_key.sourcePath;

    const std::string tempPath = MetaPath() + TempSuffix();
    std::FILE* file = std::fopen(tempPath.c_str(), "wb");
    if (!file)
        return "";
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!SyncAndClose(file) || !written) {
        std::remove(tempPath.c_str());
        return "";
    }
    return tempPath;
}

bool CSoundCache::ReadMeta(const std::string& path, LoadedSound& sound, int64_t& frames,
                           Key& stored) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes(kMaxPathBytes + 256, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));

    MetaReader reader(bytes);
    char magic[4] = {};
    uint32_t version = 0;
    int32_t sourceRate = 0, sourceChannels = 0, rootNote = 0, beats = 0;
    uint32_t pathLength = 0;
    const bool complete = reader.Get(magic) && reader.Get(version) && reader.Get(stored.size) &&
                          reader.Get(stored.mtimeNs) && reader.Get(stored.mixerRate) &&
                          reader.Get(sourceRate) && reader.Get(sourceChannels) &&
                          reader.Get(frames) && reader.Get(sound.tempo) && reader.Get(rootNote) &&
                          reader.Get(beats) && reader.Get(sound.beatLengthMs) &&
                          reader.Get(pathLength) && pathLength <= kMaxPathBytes &&
                          reader.GetString(pathLength, stored.sourcePath) && reader.AtEnd();
    if (!complete || std::memcmp(magic, kMetaMagic, 4) != 0 || version != kMetaVersion ||
        frames < 0 || sourceChannels < 1 || sourceChannels > CSoundDecoder::kMaxChannels ||
        sourceRate <= 0)
        return false;
    sound.sourceRate = sourceRate;
    sound.sourceChannels = sourceChannels;
    sound.rootNote = rootNote;
    sound.beatCount = beats;
    return true;
}

void CSoundCache::RemoveStaleEntries() const {
    std::error_code ec;
    const std::string ownMeta = std::filesystem::path(MetaPath()).filename().string();
    std::vector<std::string> stale;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == ownMeta || !name.starts_with(m_prefix) || !name.ends_with(".meta"))
            continue;
        LoadedSound unused;
        int64_t frames = 0;
        Key stored;
        if (ReadMeta(entry.path().string(), unused, frames, stored) &&
            stored.sourcePath == m_key.sourcePath)
            stale.push_back(entry.path().string());
    }
    for (const std::string& meta : stale) {
        const std::string base = meta.substr(0, meta.size() - std::strlen(".meta"));
        // The metadata goes first, so an interrupted removal leaves no entry that looks whole.
        for (const char* ext : {".meta", ".f32", ".ipk"})
            std::filesystem::remove(base + ext, ec);
    }
}
