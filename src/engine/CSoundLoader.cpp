#include "engine/CSoundLoader.h"

#include "engine/CAcidChunk.h"
#include "engine/CFFmpegDecoder.h"
#include "engine/CResampler.h"
#include "engine/CSndFileDecoder.h"
#include "engine/CSoundCache.h"
#include "engine/CWaveChunks.h"
#include "support/Log.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

namespace {

std::mutex g_tempPathMutex;
std::string g_tempSndPath;
std::atomic<int64_t> g_decodeCount{0};

constexpr int64_t kBlockFrames = 8192;

// Folds any channel count to the mixer's layout: one channel stays mono, two
// stay stereo, and more are averaged to stereo, even-numbered channels to the
// left and odd-numbered ones to the right.
void FoldToStereo(const float* in, int64_t frames, int channels, float* out) {
    const int left = (channels + 1) / 2;
    const int right = channels / 2;
    for (int64_t i = 0; i < frames; ++i) {
        float sum[2] = {0.0f, 0.0f};
        for (int c = 0; c < channels; ++c)
            sum[c & 1] += in[i * channels + c];
        out[2 * i] = sum[0] / static_cast<float>(left);
        out[2 * i + 1] = sum[1] / static_cast<float>(right);
    }
}

LoadedSound Failure(const std::string& path, const std::string& reason) {
    LogFmt("CSoundLoader::Load failed on '%s' (%s) - returning false!", path.c_str(),
           reason.c_str());
    LoadedSound sound;
    sound.error = reason;
    return sound;
}

void LogLoaded(const std::string& path, const LoadedSound& sound, int mixerRate) {
    LogFmt("CSoundLoader::Load - '%s': %d Hz, %d channels, %lld frames at %d Hz", path.c_str(),
           sound.sourceRate, sound.sourceChannels, static_cast<long long>(sound.data->Frames()),
           mixerRate);
}

} // namespace

// Where decoded samples go: the cache entry being written, or memory.
class CSoundLoader::Sink {
public:
    explicit Sink(CSoundCache* cache) : m_cache(cache) {}

    bool Put(const float* samples, size_t count, std::string& error) {
        if (m_cache) {
            if (m_cache->Append(samples, count))
                return true;
            m_writeFailed = true;
            error = "cannot write the cache file";
            return false;
        }
        if (static_cast<int64_t>(m_memory.size() + count) > kMaxMemorySamples) {
            error = "too long to hold in memory";
            return false;
        }
        m_memory.insert(m_memory.end(), samples, samples + count);
        return true;
    }
    bool WriteFailed() const { return m_writeFailed; }
    std::vector<float>& Memory() { return m_memory; }

private:
    CSoundCache* m_cache;
    std::vector<float> m_memory;
    bool m_writeFailed = false;
};

void CSoundLoader::SetTempSndPath(const std::string& folder) {
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    if (ec)
        LogFmt("CSoundLoader::SetTempSndPath could not create '%s' (%s)", folder.c_str(),
               ec.message().c_str());
    std::lock_guard lock(g_tempPathMutex);
    g_tempSndPath = folder;
}

std::string CSoundLoader::GetTempSndPath() {
    std::lock_guard lock(g_tempPathMutex);
    return g_tempSndPath;
}

int64_t CSoundLoader::DecodeCount() {
    return g_decodeCount.load();
}

LoadedSound CSoundLoader::Load(const std::string& path, int mixerRate) {
    if (mixerRate < kMinMixerRate || mixerRate > kMaxMixerRate)
        return Failure(path, "unsupported mixer rate " + std::to_string(mixerRate));
    std::string error;
    const std::optional<CSoundCache::Key> key = CSoundCache::KeyOf(path, mixerRate, error);
    if (!key)
        return Failure(path, error);
    if (key->size == 0)
        return Failure(path, "empty file");

    LoadedSound streamed = StreamSource(path, mixerRate, error);
    if (streamed.data) {
        LogFmt("CSoundLoader::Load - '%s' is read from the file as it plays: %d channels, %lld "
               "frames",
               path.c_str(), streamed.sourceChannels,
               static_cast<long long>(streamed.data->Frames()));
        return streamed;
    }
    if (!error.empty())
        return Failure(path, error);

    const std::string folder = GetTempSndPath();
    std::optional<CSoundCache> cache;
    if (!folder.empty())
        cache.emplace(folder, *key);
    LoadedSound sound;
    if (cache && cache->Lookup(sound)) {
        LogFmt("CSoundLoader::Load - '%s' reused from '%s'", path.c_str(), sound.cachePath.c_str());
        return sound;
    }

    if (cache && cache->BeginWrite()) {
        Sink sink(&*cache);
        const bool decoded = Decode(path, mixerRate, sink, sound, error);
        if (!decoded && !sink.WriteFailed())
            return Failure(path, error);
        // A damaged file is decoded anew at each load rather than cached, so
        // that its damage is told every time.
        if (decoded && sound.damage.empty() && cache->Commit(sound)) {
            cache->RemoveStaleEntries();
            LogLoaded(path, sound, mixerRate);
            return sound;
        }
    }
    Sink memory(nullptr);
    if (!Decode(path, mixerRate, memory, sound, error))
        return Failure(path, error);
    sound.data = CSoundData::FromSamples(std::move(memory.Memory()),
                                         CSoundCache::MixChannels(sound.sourceChannels), mixerRate);
    if (!sound.data)
        return Failure(path, "no decoded data");
    if (cache)
        LogFmt("CSoundLoader::Load - could not write the cache file '%s', holding '%s' in memory",
               cache->DataPath().c_str(), path.c_str());
    else
        Log(("CSoundLoader::Load - no temporary sound folder set, holding '" + path + "' in memory")
                .c_str());
    LogLoaded(path, sound, mixerRate);
    return sound;
}

LoadedSound CSoundLoader::StreamSource(const std::string& path, int mixerRate, std::string& error) {
    LoadedSound sound;
    std::shared_ptr<const CSoundData> data = CSoundData::StreamFile(path, mixerRate);
    if (!data || !ReadWaveChunks(path, sound, error))
        return LoadedSound{};
    sound.data = std::move(data);
    sound.sourceRate = mixerRate;
    sound.sourceChannels = sound.data->Channels();
    return sound;
}

// A WAV whose data chunk is cut short (a recording stopped by a crash or a
// full disk) is played as far as it holds; its "acid" chunk, if any, gives
// the sound's tempo, root note and beats.
bool CSoundLoader::ReadWaveChunks(const std::string& path, LoadedSound& sound, std::string&) {
    CWaveChunks chunks;
    if (!chunks.ReadFile(path))
        return true; // not a RIFF WAVE file: nothing to check
    if (chunks.DataTruncated()) {
        const CWaveChunks::Chunk* data = chunks.Find("data");
        sound.damage = "cut short: its data chunk declares " + std::to_string(data->declaredSize) +
                       " bytes but the file holds " + std::to_string(data->presentSize);
        LogFmt("CSoundLoader::Load - '%s' is %s; playing what it holds", path.c_str(),
               sound.damage.c_str());
    }
    if (const std::optional<CAcidChunk> acid = CAcidChunk::FromWave(chunks)) {
        sound.tempo = acid->Tempo();
        sound.rootNote = acid->RootNote();
        sound.beatCount = acid->Beats();
        sound.beatLengthMs = acid->BeatLengthMs();
    }
    return true;
}

std::unique_ptr<CSoundDecoder> CSoundLoader::OpenDecoder(const std::string& path,
                                                         std::string& error) {
    auto sndFile = std::make_unique<CSndFileDecoder>();
    std::string sndFileError;
    if (sndFile->Open(path, sndFileError))
        return sndFile;
    auto ffmpeg = std::make_unique<CFFmpegDecoder>();
    std::string ffmpegError;
    if (ffmpeg->Open(path, ffmpegError))
        return ffmpeg;
    error = "no decoder accepts it: " + sndFileError + "; " + ffmpegError;
    return nullptr;
}

// Decodes the whole file block by block, folds it to the mixer's channels,
// converts it to the mixer's rate and hands the result to the sink.
bool CSoundLoader::Decode(const std::string& path, int mixerRate, Sink& sink, LoadedSound& sound,
                          std::string& error) {
    if (!ReadWaveChunks(path, sound, error))
        return false;
    const std::unique_ptr<CSoundDecoder> decoder = OpenDecoder(path, error);
    if (!decoder)
        return false;
    ++g_decodeCount;
    sound.sourceRate = decoder->Rate();
    sound.sourceChannels = decoder->Channels();
    const int inChannels = decoder->Channels();
    const int outChannels = CSoundCache::MixChannels(inChannels);
    LogFmt("CSoundLoader::Load - decoding '%s' with %s", path.c_str(), decoder->Name());

    std::optional<CResampler> resampler;
    if (decoder->Rate() != mixerRate) {
        resampler.emplace();
        if (!resampler->Init(outChannels, decoder->Rate(), mixerRate, error))
            return false;
    }
    std::vector<float> block(static_cast<size_t>(kBlockFrames * inChannels));
    std::vector<float> folded(inChannels > 2 ? static_cast<size_t>(kBlockFrames * 2) : 0);
    std::vector<float> converted;
    int64_t framesIn = 0;
    for (;;) {
        const int64_t frames = decoder->Read(block.data(), kBlockFrames);
        if (frames < 0 && framesIn > 0) {
            // Damaged further in: what came before is played.
            sound.damage = std::string("damaged after ") + std::to_string(framesIn) + " frames";
            LogFmt("CSoundLoader::Load - '%s' (%s) is %s; playing what it holds", path.c_str(),
                   decoder->Name(), sound.damage.c_str());
            break;
        }
        if (frames < 0) {
            error = std::string(decoder->Name()) + ": decoding error before any frame";
            return false;
        }
        if (frames == 0)
            break;
        framesIn += frames;
        const float* mixed = block.data();
        if (inChannels > 2) {
            FoldToStereo(block.data(), frames, inChannels, folded.data());
            mixed = folded.data();
        }
        if (!resampler) {
            if (!sink.Put(mixed, static_cast<size_t>(frames * outChannels), error))
                return false;
            continue;
        }
        converted.clear();
        if (!resampler->Process(mixed, static_cast<size_t>(frames), converted)) {
            error = "resampling failed";
            return false;
        }
        if (!sink.Put(converted.data(), converted.size(), error))
            return false;
    }
    if (framesIn == 0) {
        error = std::string(decoder->Name()) + ": no audio frames";
        return false;
    }
    if (resampler) {
        converted.clear();
        if (!resampler->Flush(converted) || !sink.Put(converted.data(), converted.size(), error))
            return false;
    }
    return true;
}
