#pragma once

#include "gui/CImage.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class CSkin;

// Skin images shared by name: the many buttons of one kind (every track's mute
// button) hold one picture between them. Images are rendered at their own size
// from the current skin on first request and kept while anyone holds them.
class CImageManager {
public:
    // The process's manager.
    static CImageManager& Instance();

    // The skin image of the name from the current skin; null when the skin
    // has no current skin or the item cannot be rendered.
    std::shared_ptr<const CImage> Get(const std::string& name);
    // Forgets every image, for a change of skin; holders keep theirs.
    void Clear();
    size_t CachedCount() const;

private:
    mutable std::mutex m_mutex;
    const CSkin* m_skin = nullptr; // the skin the cached images came from
    std::map<std::string, std::weak_ptr<const CImage>> m_images;
};
