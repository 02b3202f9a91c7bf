#include "gui/CImageManager.h"

#include "gui/CSkin.h"

CImageManager& CImageManager::Instance() {
    static CImageManager manager;
    return manager;
}

std::shared_ptr<const CImage> CImageManager::Get(const std::string& name) {
    const CSkin* skin = CSkin::Current();
    if (!skin)
        return nullptr;
    std::lock_guard<std::mutex> guard(m_mutex);
    if (skin != m_skin) {
        m_images.clear();
        m_skin = skin;
    }
    if (std::shared_ptr<const CImage> cached = m_images[name].lock())
        return cached;
    auto image = std::make_shared<CImage>();
    if (!skin->LoadSkinImage(name, *image, nullptr)) {
        m_images.erase(name);
        return nullptr;
    }
    m_images[name] = image;
    return image;
}

void CImageManager::Clear() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_images.clear();
    m_skin = nullptr;
}

size_t CImageManager::CachedCount() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    size_t count = 0;
    for (const auto& [name, image] : m_images)
        count += image.expired() ? 0 : 1;
    return count;
}
