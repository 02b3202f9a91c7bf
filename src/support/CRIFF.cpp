#include "support/CRIFF.h"

#include "support/CFileObj.h"
#include "support/Log.h"

#include <algorithm>

namespace {

constexpr uint64_t kMaxChunkSize = 0xFFFFFFFFu;

uint32_t ReadLE32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void WriteLE32(unsigned char* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

CRIFF::~CRIFF() {
    Close();
}

bool CRIFF::Create(CFileObj* file, FourCC formType) {
    if (m_mode != Mode::Closed || file == nullptr || !file->IsWritable() || !file->Seek(0))
        return false;
    m_file = file;
    m_file->AddRef();
    m_mode = Mode::Writing;
    m_writeEnd = 0;
    m_writeFailed = false;
    m_openChunkStarts.clear();
    unsigned char type[4];
    WriteLE32(type, formType);
    if (!WriteChunkHeader(FOURCC_RIFF, 0) || !WriteBytes(type, sizeof type)) {
        Log("CRIFF::Create failed writing the RIFF header - returning false!");
        ReleaseFile();
        return false;
    }
    m_openChunkStarts.push_back(0);
    return true;
}

bool CRIFF::Open(CFileObj* file, RIFFChunkInfo* formInfo, CutShortForm cutShort) {
    if (m_mode != Mode::Closed || file == nullptr || !file->IsOpen())
        return false;
    m_cutShort = false;
    m_file = file;
    m_file->AddRef();
    m_mode = Mode::Reading;
    m_fileSize = m_file->Size();
    unsigned char header[12];
    if (m_fileSize < 12 || !ReadAt(0, header, sizeof header)) {
        Log("CRIFF::Open - file too short for a RIFF header - returning false!");
        ReleaseFile();
        return false;
    }
    Level form;
    form.parent.chunkID = ReadLE32(header);
    form.parent.chunkSize = ReadLE32(header + 4);
    form.parent.chunkType = ReadLE32(header + 8);
    form.parent.dataOffset = 8;
    form.childrenBegin = 12;
    form.childrenEnd = 8 + static_cast<int64_t>(form.parent.chunkSize);
    // A writer may count a final pad byte that the file lacks.
    if (form.childrenEnd == m_fileSize + 1)
        form.childrenEnd = m_fileSize;
    if (cutShort == CutShortForm::kReadWhatIsThere && form.parent.chunkID == FOURCC_RIFF &&
        form.childrenEnd > m_fileSize) {
        LogFmt("CRIFF::Open - the form's size (%u) runs past the file's end (%lld): the file was "
               "cut short; reading what is there",
               form.parent.chunkSize, static_cast<long long>(m_fileSize));
        form.childrenEnd = m_fileSize;
        m_cutShort = true;
    }
    if (form.parent.chunkID != FOURCC_RIFF || form.parent.chunkSize < 4 ||
        form.childrenEnd > m_fileSize) {
        LogFmt("CRIFF::Open - not a RIFF file or its size (%u) runs past the file's end (%lld) - "
               "returning false!",
               form.parent.chunkSize, static_cast<long long>(m_fileSize));
        ReleaseFile();
        return false;
    }
    LoadChunkAt(form, form.childrenBegin);
    m_levels.assign(1, form);
    if (formInfo)
        *formInfo = form.parent;
    return true;
}

bool CRIFF::Close() {
    bool ok = true;
    if (m_mode == Mode::Writing) {
        if (m_openChunkStarts.size() > 1)
            LogFmt("CRIFF::Close - closing %zu LIST chunks left open",
                   m_openChunkStarts.size() - 1);
        while (!m_openChunkStarts.empty())
            ok = PatchSizeOfOpenChunk() && ok;
        ok = ok && !m_writeFailed;
    }
    ReleaseFile();
    return ok;
}

void CRIFF::ReleaseFile() {
    if (m_file)
        m_file->DeleteRefObject();
    m_file = nullptr;
    m_mode = Mode::Closed;
    m_levels.clear();
    m_openChunkStarts.clear();
}

// ---- Writing ------------------------------------------------------------------------------

// The form's size field must still hold everything once extraBytes more are
// written; every open LIST lies inside the form, so its size fits as well.
bool CRIFF::CanWrite(uint64_t extraBytes) const {
    if (m_mode != Mode::Writing || m_writeFailed || m_openChunkStarts.empty())
        return false;
    const auto formBody = static_cast<uint64_t>(m_writeEnd - m_openChunkStarts.front() - 8);
    return formBody + extraBytes <= kMaxChunkSize;
}

bool CRIFF::WriteBytes(const void* data, size_t size) {
    if (!m_file->Write(data, size)) {
        m_writeFailed = true;
        return false;
    }
    m_writeEnd += static_cast<int64_t>(size);
    return true;
}

bool CRIFF::WriteChunkHeader(FourCC chunkID, uint32_t size) {
    unsigned char header[8];
    WriteLE32(header, chunkID);
    WriteLE32(header + 4, size);
    return WriteBytes(header, sizeof header);
}

bool CRIFF::WriteListChunkHeader(FourCC listType) {
    if (!CanWrite(12))
        return false;
    const int64_t start = m_writeEnd;
    unsigned char type[4];
    WriteLE32(type, listType);
    if (!WriteChunkHeader(FOURCC_LIST, 0) || !WriteBytes(type, sizeof type))
        return false;
    m_openChunkStarts.push_back(start);
    return true;
}

bool CRIFF::WriteSubChunk(FourCC chunkID, const void* data, uint32_t size) {
    const uint64_t padded = static_cast<uint64_t>(size) + (size & 1u);
    if ((data == nullptr && size != 0) || !CanWrite(8 + padded))
        return false;
    if (!WriteChunkHeader(chunkID, size) || (size != 0 && !WriteBytes(data, size)))
        return false;
    const unsigned char pad = 0;
    return (size & 1u) == 0 || WriteBytes(&pad, 1);
}

// Writes the size of the innermost open chunk into its header and closes it.
bool CRIFF::PatchSizeOfOpenChunk() {
    const int64_t start = m_openChunkStarts.back();
    m_openChunkStarts.pop_back();
    if (m_writeFailed)
        return false;
    unsigned char size[4];
    WriteLE32(size, static_cast<uint32_t>(m_writeEnd - start - 8));
    if (!m_file->Seek(start + 4) || !m_file->Write(size, sizeof size) ||
        !m_file->Seek(m_writeEnd)) {
        m_writeFailed = true;
        Log("CRIFF - failed to back-patch a chunk size - returning false!");
        return false;
    }
    return true;
}

// ---- Nesting --------------------------------------------------------------------------------

bool CRIFF::Descend() {
    if (m_mode == Mode::Writing)
        return m_openChunkStarts.size() > 1;
    if (m_mode != Mode::Reading)
        return false;
    const Level& outer = m_levels.back();
    if (!outer.hasCurrent || outer.current.chunkID != FOURCC_LIST)
        return false;
    if (static_cast<int>(m_levels.size()) >= kMaxDepth) {
        LogFmt("CRIFF::Descend - LIST nesting deeper than %d levels - returning false!", kMaxDepth);
        return false;
    }
    Level inner;
    inner.parent = outer.current;
    inner.childrenBegin = inner.parent.dataOffset + 4;
    inner.childrenEnd =
        std::min(inner.parent.dataOffset + inner.parent.chunkSize, outer.childrenEnd);
    LoadChunkAt(inner, inner.childrenBegin);
    m_levels.push_back(inner);
    return true;
}

bool CRIFF::Ascend() {
    if (m_mode == Mode::Writing)
        return m_openChunkStarts.size() > 1 && PatchSizeOfOpenChunk();
    if (m_mode != Mode::Reading || m_levels.size() < 2)
        return false;
    m_levels.pop_back();
    return true;
}

// ---- Reading --------------------------------------------------------------------------------

bool CRIFF::ReadAt(int64_t offset, void* buffer, size_t size) {
    return m_file->Seek(offset) && m_file->Read(buffer, size) == size;
}

// Makes the chunk whose header starts at `offset` the level's current chunk.
// False, with no current chunk, at the level's end or when the header or the
// body would run past the level.
bool CRIFF::LoadChunkAt(Level& level, int64_t offset) {
    level.hasCurrent = false;
    if (offset >= level.childrenEnd)
        return false;
    unsigned char header[8];
    if (level.childrenEnd - offset < 8 || !ReadAt(offset, header, sizeof header)) {
        LogFmt("CRIFF - truncated chunk header at offset %lld", static_cast<long long>(offset));
        return false;
    }
    RIFFChunkInfo chunk;
    chunk.chunkID = ReadLE32(header);
    chunk.chunkSize = ReadLE32(header + 4);
    chunk.dataOffset = offset + 8;
    const int64_t room = level.childrenEnd - chunk.dataOffset;
    // A LIST ending the file may count a final pad byte that the file lacks.
    const bool listMissingFinalPad = chunk.chunkID == FOURCC_LIST &&
                                     level.childrenEnd == m_fileSize && chunk.chunkSize == room + 1;
    if (chunk.chunkSize > room && !listMissingFinalPad) {
        LogFmt("CRIFF - chunk '%s' at offset %lld (size %u) runs past its parent",
               FourCCToText(chunk.chunkID).c_str(), static_cast<long long>(offset),
               chunk.chunkSize);
        return false;
    }
    if (chunk.chunkID == FOURCC_LIST) {
        unsigned char type[4];
        if (chunk.chunkSize < 4 || room < 4 || !ReadAt(chunk.dataOffset, type, sizeof type)) {
            LogFmt("CRIFF - LIST at offset %lld too short for its type",
                   static_cast<long long>(offset));
            return false;
        }
        chunk.chunkType = ReadLE32(type);
    }
    level.current = chunk;
    // A missing pad byte after a last odd chunk is tolerated.
    level.currentEnd =
        std::min(chunk.dataOffset + chunk.chunkSize + (chunk.chunkSize & 1u), level.childrenEnd);
    level.hasCurrent = true;
    return true;
}

bool CRIFF::SeekToChunk(FourCC chunkID, FourCC listType) {
    if (m_mode != Mode::Reading)
        return false;
    Level& level = m_levels.back();
    const Level before = level;
    while (level.hasCurrent) {
        const RIFFChunkInfo& chunk = level.current;
        if (chunk.chunkID == chunkID &&
            (chunkID != FOURCC_LIST || listType == 0 || chunk.chunkType == listType))
            return true;
        LoadChunkAt(level, level.currentEnd);
    }
    level = before;
    return false;
}

bool CRIFF::SeekToNextChunk() {
    if (m_mode != Mode::Reading || !m_levels.back().hasCurrent)
        return false;
    Level& level = m_levels.back();
    return LoadChunkAt(level, level.currentEnd);
}

bool CRIFF::SeekToLevelBeginning() {
    if (m_mode != Mode::Reading)
        return false;
    Level& level = m_levels.back();
    return LoadChunkAt(level, level.childrenBegin);
}

bool CRIFF::GetCurrentChunkInfo(RIFFChunkInfo* parentInfo, RIFFChunkInfo* chunkInfo) const {
    const bool reading = m_mode == Mode::Reading;
    const bool hasCurrent = reading && m_levels.back().hasCurrent;
    if (parentInfo)
        *parentInfo = reading ? m_levels.back().parent : RIFFChunkInfo{};
    if (chunkInfo)
        *chunkInfo = hasCurrent ? m_levels.back().current : RIFFChunkInfo{};
    return hasCurrent;
}

uint32_t CRIFF::ReadCurrentSubChunk(void* buffer, uint32_t size) {
    if (m_mode != Mode::Reading || !m_levels.back().hasCurrent || buffer == nullptr)
        return 0;
    const RIFFChunkInfo& chunk = m_levels.back().current;
    const uint32_t wanted = std::min(size, chunk.chunkSize);
    if (!m_file->Seek(chunk.dataOffset))
        return 0;
    return static_cast<uint32_t>(m_file->Read(buffer, wanted));
}

int64_t CRIFF::FilePosition() const {
    if (m_mode == Mode::Writing)
        return m_writeEnd;
    if (m_mode != Mode::Reading)
        return -1;
    const Level& level = m_levels.back();
    return level.hasCurrent ? level.current.dataOffset - 8 : level.childrenEnd;
}

int64_t CRIFF::FileSize() const {
    return m_file ? m_file->Size() : -1;
}
