#pragma once

#include <atomic>
#include <cstdint>

// Base of objects that several owners share (files, RIFF streams). A new
// object holds one reference, owned by whoever created it with `new`;
// AddRef takes another, DeleteRefObject gives one back, and giving back the
// last deletes the object. The count is atomic, so references may be taken
// and released on different threads.
class CRefObj {
public:
    CRefObj() = default;
    CRefObj(const CRefObj&) = delete;
    CRefObj& operator=(const CRefObj&) = delete;

    // Returns the new count.
    uint32_t AddRef();
    // Releases one reference and deletes the object with the last one.
    // Returns the count left (0 means the object is gone).
    uint32_t DeleteRefObject();
    uint32_t RefCount() const { return m_refCount.load(); }

protected:
    // Only DeleteRefObject deletes: objects live on the heap.
    virtual ~CRefObj() = default;

private:
    std::atomic<uint32_t> m_refCount{1};
};
