#include "project/CClipChunks.h"

#include "project/AudioClipRecord.h"
#include "project/CAudioClip.h"
#include "project/CMIDIClip.h"
#include "project/CPlaceholderClip.h"
#include "project/TrackFileContents.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"
#include "support/Log.h"

namespace {

constexpr FourCC kFormType = MakeFourCC("LTC3");
constexpr FourCC kMidiClipList = MakeFourCC("ClpM");
constexpr FourCC kLegacySoundList = MakeFourCC("sndc");

// A RIFF writer on a file in memory, released with the object.
struct MemoryWriter {
    MemoryWriter() : file(new CFileObj), riff(new CRIFF) {
        ok = file->CreateMemory() && riff->Create(file, kFormType);
    }
    ~MemoryWriter() {
        riff->DeleteRefObject();
        file->DeleteRefObject();
    }
    MemoryWriter(const MemoryWriter&) = delete;
    MemoryWriter& operator=(const MemoryWriter&) = delete;

    CFileObj* file;
    CRIFF* riff;
    bool ok = false;
};

// A RIFF reader on bytes in memory, positioned at the first chunk of the form.
struct MemoryReader {
    explicit MemoryReader(const std::vector<unsigned char>& bytes)
        : file(new CFileObj), riff(new CRIFF) {
        ok = file->OpenMemory(bytes.data(), bytes.size()) && riff->Open(file, nullptr);
    }
    ~MemoryReader() {
        riff->Close();
        riff->DeleteRefObject();
        file->DeleteRefObject();
    }
    MemoryReader(const MemoryReader&) = delete;
    MemoryReader& operator=(const MemoryReader&) = delete;

    CFileObj* file;
    CRIFF* riff;
    bool ok = false;
};

std::vector<RawChunk> ReadAllChunks(CRIFF& riff) {
    std::vector<RawChunk> chunks;
    RawChunk chunk;
    while (chunk.ReadCurrent(riff)) {
        chunks.push_back(chunk);
        if (!riff.SeekToNextChunk())
            break;
    }
    return chunks;
}

} // namespace

std::optional<std::vector<RawChunk>> CClipChunks::WriteInMemory(CClip& clip) {
    MemoryWriter writer;
    if (!writer.ok || !clip.Save(*writer.riff) || !writer.riff->Close())
        return std::nullopt;
    MemoryReader reader(writer.file->MemoryBytes());
    if (!reader.ok)
        return std::nullopt;
    return ReadAllChunks(*reader.riff);
}

CClip* CClipChunks::Read(ClipDocument& document, const std::vector<RawChunk>& chunks) {
    if (chunks.empty() || !TrackFileContents::StartsClip(chunks.front()))
        return nullptr;
    MemoryWriter writer;
    bool written = writer.ok;
    for (const RawChunk& chunk : chunks)
        written = written && chunk.Write(*writer.riff);
    if (!written || !writer.riff->Close())
        return new CPlaceholderClip(document, chunks);
    MemoryReader reader(writer.file->MemoryBytes());
    if (!reader.ok)
        return new CPlaceholderClip(document, chunks);
    CClip* clip = chunks.front().ListType() == kMidiClipList
                      ? static_cast<CClip*>(new CMIDIClip(document))
                      : static_cast<CClip*>(new CAudioClip(document));
    if (!clip->Load(*reader.riff)) {
        clip->DeleteRefObject();
        // Nothing of the file is lost: the clip stays as it was stored.
        return new CPlaceholderClip(document, chunks);
    }
    return clip;
}

CClip* CClipChunks::ReadLegacySound(ClipDocument& document, const RawChunk& sound) {
    if (sound.code != FOURCC_LIST || sound.ListType() != kLegacySoundList)
        return nullptr;
    MemoryWriter writer;
    if (!writer.ok || !sound.Write(*writer.riff) || !writer.riff->Close())
        return nullptr;
    MemoryReader reader(writer.file->MemoryBytes());
    if (!reader.ok || !reader.riff->SeekToChunk(FOURCC_LIST, kLegacySoundList) ||
        !reader.riff->Descend())
        return nullptr;
    auto* clip = new CAudioClip(document);
    if (!clip->LegacyLoad(*reader.riff)) {
        clip->DeleteRefObject();
        return nullptr;
    }
    return clip;
}

std::vector<std::vector<RawChunk>> CClipChunks::Group(const std::vector<RawChunk>& chunks,
                                                      std::vector<RawChunk>* strays) {
    std::vector<std::vector<RawChunk>> groups;
    for (const RawChunk& chunk : chunks) {
        if (TrackFileContents::StartsClip(chunk))
            groups.emplace_back();
        if (groups.empty())
            strays->push_back(chunk);
        else
            groups.back().push_back(chunk);
    }
    return groups;
}
