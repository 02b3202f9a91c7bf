#include "gui/CSkin.h"

#include "gui/CBuiltInImages.h"
#include "gui/CImage.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<CSkin*> g_currentSkin{nullptr};

// A key with the layer (and colour) number filled in, e.g. "Start.R.%u".
std::string Numbered(const char* format, unsigned first, unsigned second = 0) {
    char key[64];
    std::snprintf(key, sizeof key, format, first, second);
    return key;
}

} // namespace

bool CSkin::Init(const std::string& path) {
    m_folder = ExtractDirectory(ToNativeSeparators(path));
    return m_reader.Init(path);
}

void CSkin::InitFromMemory(std::string_view text, const std::string& folder) {
    m_folder = folder;
    m_reader.InitFromMemory(text);
}

CSkin* CSkin::Current() {
    return g_currentSkin.load();
}

void CSkin::SetCurrent(CSkin* skin) {
    g_currentSkin.store(skin);
}

uint32_t CSkin::ColorOf(const std::string& name) {
    const CSkin* skin = Current();
    return skin ? skin->GetColor(name) : SkinItem::kFreshColor;
}

uint32_t CSkin::GetColor(const std::string& name) const {
    SkinItem item;
    GetItem(name, item, 1);
    return item.color;
}

std::string CSkin::GetSoundFile(const std::string& name) const {
    std::string section = name;
    for (int depth = 1; depth <= kMaxDepth && !section.empty(); ++depth) {
        if (const std::optional<std::string> alias = m_reader.FindString(section, "use")) {
            section = *alias;
            continue;
        }
        const std::string fileName = m_reader.GetString(section, "sound fn");
        if (fileName.empty())
            return "";
        const std::string inFolder = m_folder + ToNativeSeparators(fileName);
        return DoesFileExist(inFolder) ? inFolder : fileName;
    }
    return "";
}

bool CSkin::GetItem(const std::string& name, SkinItem& item, int depth) const {
    item.layers.clear();
    if (name.empty())
        return false;
    // Aliases in a circle, or chained too long, end here.
    if (depth > kMaxDepth) {
        GetDefaultItem(name, item);
        return true;
    }
    if (const std::optional<std::string> alias = m_reader.FindString(name, "use"))
        return GetItem(*alias, item, depth + 1);
    uint32_t color = 0;
    if (ReadSolidColor(name, color)) {
        item.type = SkinItem::kSolidColor;
        item.color = color;
        return true;
    }
    const std::string image = m_reader.GetString(name, "image fn");
    const std::string tiled = image.empty() ? m_reader.GetString(name, "tiled fn") : "";
    if (!image.empty() || !tiled.empty()) {
        item.type = image.empty() ? SkinItem::kTiledImageFile : SkinItem::kImageFile;
        const std::string& fileName = image.empty() ? tiled : image;
        const std::string inFolder = m_folder + ToNativeSeparators(fileName);
        item.fileName = DoesFileExist(inFolder) ? inFolder : fileName;
        return true;
    }
    int resourceId = 0;
    if (m_reader.TryGetInt(name, "image res ID", resourceId) && resourceId > 0) {
        item.type = SkinItem::kImageResource;
        item.resourceId = resourceId;
        return true;
    }
    std::vector<GradientLayer> layers;
    if (ReadGradient(name, layers)) {
        item.type = SkinItem::kGradient;
        item.layers = std::move(layers);
        return true;
    }
    GetDefaultItem(name, item);
    return true;
}

void CSkin::GetDefaultItem(const std::string&, SkinItem& item) const {
    GradientLayer layer;
    layer.style = 2;
    layer.opacity = 100;
    layer.startColor = 0xF09D66;
    layer.endColor = 0xF09D66;
    layer.extras = {{0xFEE9E7, 390}, {0xFFECDA, 650}, {0xFBD6C2, 230}, {0xF8CCAD, 820}};
    item.type = SkinItem::kGradient;
    item.layers = {layer};
}

bool CSkin::ReadSolidColor(const std::string& section, uint32_t& color) const {
    return ReadColor(section, "solid color.r", "solid color.g", "solid color.b", color);
}

bool CSkin::ReadColor(const std::string& section, const std::string& red, const std::string& green,
                      const std::string& blue, uint32_t& color) const {
    int r = 0;
    int g = 0;
    int b = 0;
    if (!m_reader.TryGetInt(section, red, r) || !m_reader.TryGetInt(section, green, g) ||
        !m_reader.TryGetInt(section, blue, b))
        return false;
    // A negative part would spill into the neighbouring channels.
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
        return false;
    color = uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
    return true;
}

bool CSkin::ReadGradient(const std::string& section, std::vector<GradientLayer>& layers) const {
    int count = 0;
    if (!m_reader.TryGetInt(section, "Num Layers", count) || count <= 0)
        return false;
    // Each layer must be present, so a huge count fails at the first missing
    // layer instead of being trusted for an allocation.
    for (unsigned number = 1; number <= unsigned(count); ++number) {
        GradientLayer layer;
        if (!ReadLayer(section, number, layer))
            return false;
        layers.push_back(std::move(layer));
    }
    return true;
}

bool CSkin::ReadLayer(const std::string& section, unsigned number, GradientLayer& layer) const {
    // Optional values keep their defaults when missing but must be numbers when given.
    const auto optional = [&](const char* format, int32_t& value) {
        const std::string key = Numbered(format, number);
        return !m_reader.HasKey(section, key) || m_reader.TryGetInt(section, key, value);
    };
    if (!optional("Opacity.%u", layer.opacity) || !optional("Style.%u", layer.style) ||
        !optional("Blend As Gradient.%u", layer.blendAsGradient) ||
        !optional("Blend Gradient Style.%u", layer.blendGradientStyle))
        return false;
    if (layer.opacity < 0)
        layer.opacity = 0;
    if (!ReadColor(section, Numbered("Start.R.%u", number), Numbered("Start.G.%u", number),
                   Numbered("start.B.%u", number), layer.startColor) ||
        !ReadColor(section, Numbered("End.R.%u", number), Numbered("End.G.%u", number),
                   Numbered("End.B.%u", number), layer.endColor))
        return false;
    int32_t extraCount = 0;
    if (!optional("Num Extra Colors.%u", extraCount) || extraCount < 0)
        return false;
    for (unsigned extra = 1; extra <= unsigned(extraCount); ++extra) {
        GradientLayer::ExtraColor color;
        if (!ReadColor(section, Numbered("Extra.R.%u.%u", number, extra),
                       Numbered("Extra.G.%u.%u", number, extra),
                       Numbered("Extra.B.%u.%u", number, extra), color.color) ||
            !m_reader.TryGetInt(section, Numbered("Extra Location.%u.%u", number, extra),
                                color.location))
            return false;
        layer.extras.push_back(color);
    }
    return true;
}

std::string CSkin::ImagePath(const std::string& fileName) const {
    if (DoesFileExist(fileName))
        return fileName;
    return m_folder + ToNativeSeparators(fileName);
}

bool CSkin::RenderItem(const SkinItem& item, CImage& image, const SkinSize* size) const {
    switch (item.type) {
    case SkinItem::kGradient:
    case SkinItem::kSolidColor:
        if (size && !image.SetSize(size->width, size->height, 24))
            return false;
        if (!image.IsValid())
            return false;
        if (item.type == SkinItem::kSolidColor) {
            image.ClearToColor(item.color);
            return true;
        }
        return image.MakeMultiLayerColorGradient(item.layers);
    case SkinItem::kImageFile:
    case SkinItem::kImageResource: {
        CImage loaded;
        const bool opened = item.type == SkinItem::kImageFile
                                ? OpenImageFile(item.fileName, loaded)
                                : CBuiltInImages::Load(item.resourceId, loaded);
        if (!opened || (size && !loaded.Scale(size->width, size->height)))
            return false;
        image = std::move(loaded);
        return true;
    }
    case SkinItem::kTiledImageFile:
        return RenderTiled(item, image, size);
    default:
        return false;
    }
}

bool CSkin::OpenImageFile(const std::string& fileName, CImage& image) const {
    const std::string path = ImagePath(fileName);
    CImage opened;
    if (!opened.Open(path))
        return false;
    if (m_openedFiles.count(path) == 0) {
        const int64_t bytes = int64_t(opened.Width()) * opened.Height() * 4;
        if (m_imageBytes + bytes > m_imageBudget) {
            LogFmt("CSkin - image '%s' refused: the skin's images would take more than %lld KB",
                   path.c_str(), static_cast<long long>(m_imageBudget >> 10));
            return false;
        }
        m_imageBytes += bytes;
        m_openedFiles.insert(path);
    }
    image = std::move(opened);
    return true;
}

bool CSkin::RenderTiled(const SkinItem& item, CImage& image, const SkinSize* size) const {
    CImage tile;
    if (!OpenImageFile(item.fileName, tile))
        return false;
    if (!size) {
        image = std::move(tile);
        return true;
    }
    CImage tiled;
    if (!tiled.SetSize(size->width, size->height, tile.BitsPerPixel()))
        return false;
    // From the top-left corner; CopySection clips the last tile of each row and column.
    for (int32_t y = 0; y < size->height; y += tile.Height())
        for (int32_t x = 0; x < size->width; x += tile.Width())
            tiled.CopySection(tile, {0, 0, tile.Width(), tile.Height()}, x, y);
    image = std::move(tiled);
    return true;
}

bool CSkin::LoadSkinImage(const std::string& name, CImage& image, const SkinSize* size) const {
    SkinItem item;
    return GetItem(name, item, 1) && RenderItem(item, image, size);
}
