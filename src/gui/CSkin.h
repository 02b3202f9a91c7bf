#pragma once

#include "gui/SkinItem.h"
#include "support/CIniFileReader.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

class CImage;

// The look of the program: the skin file ("loomskin.ini") names, per skin item,
// a solid colour, a multi-layer gradient, an image file (stretched or tiled)
// or a built-in image (CBuiltInImages). Every object asks the skin by item
// name ("caret color", "track header") and gets something usable back: a name
// the skin does not know, or that cannot be read, becomes the default item.
//
// One section per item, named by the item. Ways of defining an item, tried in
// this order (a value that is missing or not a number makes that way fail):
//   use = other item                      an alias, followed up to kMaxDepth deep
//   solid color.r/.g/.b = 0..255          a solid colour
//   image fn = file / tiled fn = file     an image file, stretched / tiled
//   image res ID = positive number        a built-in image
//   Num Layers = n, then per layer:       a gradient (see GradientLayer)
//     Opacity.%u, Style.%u, Blend As Gradient.%u, Blend Gradient Style.%u,
//     Start.R.%u, Start.G.%u, start.B.%u, End.R.%u, End.G.%u, End.B.%u,
//     Num Extra Colors.%u, Extra.R.%u.%u, Extra.G.%u.%u, Extra.B.%u.%u,
//     Extra Location.%u.%u
// Image file names are looked up in the skin file's folder, the program's.
// An item may instead name a sound the program plays ("BurnerSuccessSound"):
//   sound fn = file                       a sound file, found like an image file
class CSkin {
public:
    static constexpr int kMaxDepth = 10;

    CSkin() = default;
    virtual ~CSkin() = default;

    // Reads the skin file; false when it cannot be read.
    bool Init(const std::string& path);
    // A skin from text, with image files looked up in the folder (ending in '/').
    void InitFromMemory(std::string_view text, const std::string& folder);
    const std::string& GetFolder() const { return m_folder; }
    const CIniFileReader& GetReader() const { return m_reader; }

    // Resolves a name into the item; depth counts the aliases followed so far,
    // starting at 1. False only for an empty name.
    bool GetItem(const std::string& name, SkinItem& item, int depth = 1) const;
    // The look of an item the skin cannot give.
    virtual void GetDefaultItem(const std::string& name, SkinItem& item) const;
    // Draws the item into the image, at the size when one is given (else an
    // image file keeps its own size and a colour or gradient needs the image
    // to have a size already). False when a file or built-in image cannot be
    // had or a size is refused; callers then draw nothing for the item.
    bool RenderItem(const SkinItem& item, CImage& image, const SkinSize* size) const;
    bool LoadSkinImage(const std::string& name, CImage& image, const SkinSize* size) const;
    // The item's colour, for pens, text and fills (a fresh item's grey when
    // the item is not a solid colour).
    uint32_t GetColor(const std::string& name) const;
    // The sound file the item names ("sound fn", after its "use" aliases): in
    // the skin's folder when it is there, else as written. Empty when the skin
    // names no sound for it.
    std::string GetSoundFile(const std::string& name) const;

    // What the pixels of all the skin's image files may take together.
    static constexpr int64_t kImageBudgetBytes = 512LL * 1024 * 1024;
    void SetImageBudget(int64_t bytes) { m_imageBudget = bytes; }

    // The skin of the running program, set at start-up; null before.
    static CSkin* Current();
    static void SetCurrent(CSkin* skin);
    // GetColor of the current skin; a fresh item's grey without one.
    static uint32_t ColorOf(const std::string& name);

private:
    bool ReadSolidColor(const std::string& section, uint32_t& color) const;
    bool ReadColor(const std::string& section, const std::string& red, const std::string& green,
                   const std::string& blue, uint32_t& color) const;
    bool ReadGradient(const std::string& section, std::vector<GradientLayer>& layers) const;
    bool ReadLayer(const std::string& section, unsigned number, GradientLayer& layer) const;
    // The path to open for an image file name of the skin.
    std::string ImagePath(const std::string& fileName) const;
    bool RenderTiled(const SkinItem& item, CImage& image, const SkinSize* size) const;
    // Opens a skin image file within the skin's budget: each file's pixels
    // count once; a file that would take the skin past the budget is refused.
    bool OpenImageFile(const std::string& fileName, CImage& image) const;

    CIniFileReader m_reader;
    std::string m_folder;
    // The image files opened so far and the memory their pixels take.
    mutable std::set<std::string> m_openedFiles;
    mutable int64_t m_imageBytes = 0;
    int64_t m_imageBudget = kImageBudgetBytes;
};
