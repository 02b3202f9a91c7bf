#pragma once

#include "engine/CSoundLoader.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// One source file's entry in the decoded-sound cache: a raw float file of the
// decoded frames at the mixer's rate (".f32"), a small metadata file beside it
// (".meta") and the waveform peaks (".ipk"). The entry's name carries a hash
// of the source path, its size and modification time and the mixer rate, so a
// changed source or another mixer rate never finds a stale entry. Both files
// are written under temporary names and renamed into place, the metadata
// last: an entry whose metadata exists and agrees is complete.
class CSoundCache {
public:
    struct Key {
        std::string sourcePath;
        uint64_t size = 0;
        int64_t mtimeNs = 0;
        int mixerRate = 0;
    };

    // The key of a source file as it is now; null (with the reason) when it
    // cannot be examined.
    static std::optional<Key> KeyOf(const std::string& sourcePath, int mixerRate,
                                    std::string& error);

    CSoundCache(std::string folder, Key key);
    ~CSoundCache();
    CSoundCache(const CSoundCache&) = delete;
    CSoundCache& operator=(const CSoundCache&) = delete;

    std::string DataPath() const { return m_base + ".f32"; }
    std::string MetaPath() const { return m_base + ".meta"; }
    std::string PeakPath() const { return m_base + ".ipk"; }

    // Fills `sound` from a complete entry for this key, mapping its frames.
    bool Lookup(LoadedSound& sound) const;

    // Starts writing a new entry; false when the folder is unusable.
    bool BeginWrite();
    bool Append(const float* samples, size_t count);
    // Completes the entry described by `sound` (its channels and source
    // values; data may be null) and maps it into sound.data.
    bool Commit(LoadedSound& sound);
    // The channel count of decoded data: mono stays mono, more become stereo.
    static int MixChannels(int sourceChannels) { return sourceChannels > 1 ? 2 : 1; }
    // Removes this source's entries of other keys (an older version of it).
    void RemoveStaleEntries() const;

private:
    std::string WriteMeta(const LoadedSound& sound, int64_t frames) const;
    static bool ReadMeta(const std::string& path, LoadedSound& sound, int64_t& frames, Key& stored);
    void DiscardTemp();

    std::string m_folder;
    Key m_key;
    std::string m_prefix; // the cache file names of every key of this source start with it
    std::string m_base;   // folder + prefix + hash
    std::FILE* m_temp = nullptr;
    std::string m_tempPath;
    int64_t m_samplesWritten = 0;
};
