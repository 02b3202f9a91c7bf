#pragma once

#include "support/CRefObj.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A file opened either for writing (Create) or for reading (Open), with 64-bit
// offsets. A read-only memory image (OpenMemory) behaves like an opened file,
// so readers can be run on bytes that never touched the disk.
//
// Reference counted: create with `new`, release with DeleteRefObject (which
// closes the file with the last reference).
class CFileObj : public CRefObj {
public:
    CFileObj() = default;

    // Creates (or truncates) the file for writing; it can be read back and
    // repositioned too. False when it cannot be created or this object
    // already has a file open.
    bool Create(const std::string& path);
    // Opens an existing file read-only.
    bool Open(const std::string& path);
    // Uses a copy of the bytes as a read-only file.
    bool OpenMemory(const void* data, size_t size);
    // An empty writable file in memory; its bytes are read with MemoryBytes.
    bool CreateMemory();
    const std::vector<unsigned char>& MemoryBytes() const { return m_memory; }
    // False when closing the file reported an error (data may be lost).
    bool Close();
    bool IsOpen() const;
    bool IsWritable() const { return m_writable; }
    const std::string& Path() const { return m_path; }

    // Reads up to `size` bytes at the current position; returns how many were
    // read (fewer at the end of the file, 0 on error) and moves past them.
    size_t Read(void* buffer, size_t size);
    // Writes all `size` bytes at the current position; false on any error.
    bool Write(const void* data, size_t size);
    // Moves to an absolute position; positions past the end are allowed
    // (a following Read returns 0). False for negative offsets or errors.
    bool Seek(int64_t offset);
    // The current position, -1 when no file is open.
    int64_t Tell() const;
    // The file's length in bytes, -1 when no file is open.
    int64_t Size() const;

protected:
    ~CFileObj() override;

private:
    int m_fd = -1;
    bool m_writable = false;
    std::string m_path;
    bool m_inMemory = false;
    std::vector<unsigned char> m_memory;
    int64_t m_memoryPos = 0;
};
