#pragma once

#include "support/CRefObj.h"
#include "support/FourCC.h"

#include <cstdint>
#include <vector>

class CFileObj;

// What a reader knows of one chunk.
struct RIFFChunkInfo {
    FourCC chunkID = 0;     // "RIFF", "LIST" or a data chunk's code
    uint32_t chunkSize = 0; // body size as stored (without the pad byte)
    FourCC chunkType = 0;   // form type of "RIFF" and type of "LIST"; 0 for data chunks
    int64_t dataOffset = 0; // file offset of the body (of the type field for RIFF and LIST)
};

// Writes or reads a RIFF file: chunks of a four-character code, a 32-bit
// little-endian body size and the body, plus one zero pad byte after an odd
// body. "LIST" chunks nest further chunks after their four-character type; the
// whole file is one "RIFF" chunk with a form type.
//
// Writing: Create, then WriteSubChunk and WriteListChunkHeader / Ascend pairs,
// then Close, which fills in the sizes still open.
//
// Reading: Open puts the reader at the first chunk inside the form. At each
// nesting level the reader has a current chunk (or none, past the last chunk
// of the level). Nothing is ever read outside a chunk, its enclosing LISTs or
// the file: a chunk whose header or size runs past its parent ends the level,
// and the operations that would need it return false / 0. A last odd chunk of
// the file that lacks its pad byte is read normally. LIST nesting deeper than
// kMaxDepth levels is refused by Descend.
//
// Reference counted: create with `new`, release with DeleteRefObject. The
// reader or writer holds a reference on its file until Close.
class CRIFF : public CRefObj {
public:
    static constexpr int kMaxDepth = 64;

    CRIFF() = default;

    // Starts the file (at offset 0) with a "RIFF" header of the given form
    // type. The file must be writable, normally just made by CFileObj::Create.
    bool Create(CFileObj* file, FourCC formType);
    // How Open takes a form whose size runs past the file's end.
    enum class CutShortForm { kRefuse, kReadWhatIsThere };
    // Reads the "RIFF" header at offset 0; formInfo (may be null) receives it.
    // False when the file is not RIFF, or its form size runs past the file's
    // end and cutShort is kRefuse. With kReadWhatIsThere such a form is read
    // up to the file's end (WasCutShort tells), its last chunk, which the
    // cut went through, left out.
    bool Open(CFileObj* file, RIFFChunkInfo* formInfo,
              CutShortForm cutShort = CutShortForm::kRefuse);
    // The form opened runs past the file's end: the file was cut short.
    bool WasCutShort() const { return m_cutShort; }
    // Writing: closes every LIST still open and the form, back-patching their
    // sizes; false when that fails. Reading: just lets go of the file.
    bool Close();

    // ---- Writing ------------------------------------------------------------------------

    // Opens a LIST of the given type; later chunks go inside it until Ascend.
    bool WriteListChunkHeader(FourCC listType);
    // Writes one complete chunk (and its pad byte when size is odd). `data`
    // may be null only when size is 0. Fails when the form would outgrow the
    // 32-bit size field.
    bool WriteSubChunk(FourCC chunkID, const void* data, uint32_t size);

    // ---- Both ---------------------------------------------------------------------------

    // Reading: enters the current chunk, which must be a LIST; its first chunk
    // becomes current (none when the LIST is empty).
    // Writing: true when a LIST is open (WriteListChunkHeader already entered
    // it), so callers may pair it with WriteListChunkHeader.
    bool Descend();
    // Writing: closes the innermost open LIST and back-patches its size; false
    // when no LIST is open (Close finishes the form).
    // Reading: leaves the LIST entered last. That LIST becomes the current
    // chunk again at the outer level, so SeekToNextChunk moves past it.
    bool Ascend();

    // ---- Reading ------------------------------------------------------------------------

    // Finds, from the current chunk on (the current chunk included), the
    // first chunk of the current level whose code is chunkID; with chunkID
    // "LIST" and a non-zero listType only a LIST of that type matches. When
    // nothing matches, false and the current chunk stays as it was.
    bool SeekToChunk(FourCC chunkID, FourCC listType = 0);
    // Moves past the current chunk (and its pad byte). True when there is a
    // next chunk at this level; false at the level's end or on a bad header.
    bool SeekToNextChunk();
    // Makes the first chunk of the current level current again; true when
    // the level has a readable first chunk.
    bool SeekToLevelBeginning();
    // parentInfo (may be null) receives the chunk enclosing the current level
    // (the form or the LIST entered last); chunkInfo (may be null) the current
    // chunk. False, with chunkInfo zeroed, when there is no current chunk.
    bool GetCurrentChunkInfo(RIFFChunkInfo* parentInfo, RIFFChunkInfo* chunkInfo) const;
    // Copies the current chunk's body from its start: min(size, chunk size)
    // bytes. Returns the count really read, 0 without a current chunk. Does
    // not move the reader. (For a LIST the body starts with its type.)
    uint32_t ReadCurrentSubChunk(void* buffer, uint32_t size);

    // The file's position and length, for progress reports.
    int64_t FilePosition() const;
    int64_t FileSize() const;

    bool IsReading() const { return m_mode == Mode::Reading; }
    bool IsWriting() const { return m_mode == Mode::Writing; }

protected:
    ~CRIFF() override;

private:
    enum class Mode { Closed, Reading, Writing };

    // One nesting level of the reader: the chunk that encloses it, where its
    // children lie, and its current chunk.
    struct Level {
        RIFFChunkInfo parent;
        int64_t childrenBegin = 0;
        int64_t childrenEnd = 0;
        bool hasCurrent = false;
        RIFFChunkInfo current;
        int64_t currentEnd = 0; // offset after the current chunk and its pad byte
    };

    bool LoadChunkAt(Level& level, int64_t offset);
    bool ReadAt(int64_t offset, void* buffer, size_t size);
    bool CanWrite(uint64_t extraBytes) const;
    bool WriteBytes(const void* data, size_t size);
    bool WriteChunkHeader(FourCC chunkID, uint32_t size);
    bool PatchSizeOfOpenChunk();
    void ReleaseFile();

    Mode m_mode = Mode::Closed;
    CFileObj* m_file = nullptr;
    int64_t m_fileSize = 0;
    std::vector<Level> m_levels;            // reading: form level first
    std::vector<int64_t> m_openChunkStarts; // writing: offset of each open RIFF/LIST header
    int64_t m_writeEnd = 0;                 // writing: offset after the last chunk written
    bool m_writeFailed = false;             // writing: a write failed, the file is inconsistent
    bool m_cutShort = false;                // reading: the form runs past the file's end
};
