#include "gui/VRGuiImage.h"

#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/VRGuiWindow.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>

VRGuiImage::VRGuiImage(int32_t width, int32_t height)
    : VRGuiContainer(width, height), m_select(kSelectButtonId, "image-sel", "", "T_TT_ImageSel") {
    SetTransparent(true);
    m_select.SetTransparent(true);
    m_select.AddObserver(this);
    PlaceButton();
}

VRGuiImage::~VRGuiImage() {
    RemoveChild(&m_select);
}

void VRGuiImage::PlaceButton() {
    const int32_t x = GetWidth() - m_select.GetWidth();
    const int32_t y = GetHeight() - m_select.GetHeight();
    if (HasChild(&m_select))
        m_select.SetPosition(x, y);
    else
        AddChild(&m_select, x, y);
}

bool VRGuiImage::SetPicture(const std::string& path) {
    CImage picture;
    const bool opened = picture.Open(path);
    m_picture = std::move(picture);
    Invalidate(nullptr);
    return opened;
}

void VRGuiImage::ClearPicture() {
    m_picture.Release();
    Invalidate(nullptr);
}

void VRGuiImage::SetSize(int32_t width, int32_t height) {
    VRGuiContainer::SetSize(width, height);
    PlaceButton();
}

GuiRect VRGuiImage::PictureRect() const {
    if (!m_picture.IsValid())
        return {};
    const double scale =
        std::min(double(GetWidth()) / m_picture.Width(), double(GetHeight()) / m_picture.Height());
    const int32_t width = std::max(1, int32_t(m_picture.Width() * scale));
    const int32_t height = std::max(1, int32_t(m_picture.Height() * scale));
    const int32_t left = (GetWidth() - width) / 2;
    const int32_t top = (GetHeight() - height) / 2;
    return {left, top, left + width, top + height};
}

void VRGuiImage::OnDraw(const GuiRect&) {
    VRGuiWindow* window = GetWindow();
    if (window && m_picture.IsValid())
        m_picture.DrawScaled(window->GetDrawContext(), PictureRect());
}

bool VRGuiImage::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (VRGuiContainer::OnMouse(event, p, keys))
        return true;
    if (event != kMouseLeftDown)
        return false;
    Notify<kNotifyClicked>(*this, this);
    return true;
}

void VRGuiImage::OnNotification(int message, void*) {
    if (message == GuiButton::kNotifyClick)
        Notify<kNotifyClicked>(*this, this);
}

std::string VRGuiImage::CacheImage(const std::string& file, const std::string& pictureFolder) {
    if (!DoesFileExist(file))
        return "";
    const std::string folder = NormalizePath(pictureFolder + "/");
    if (NormalizePath(ExtractDirectory(file)) == folder)
        return file;
    CImage picture;
    if (!picture.Open(file))
        return "";
    if (picture.Width() > kCachedSide || picture.Height() > kCachedSide) {
        if (picture.BitsPerPixel() != 32) {
            const int32_t side = std::min(picture.Width(), picture.Height());
            const int32_t left = (picture.Width() - side) / 2;
            const int32_t top = (picture.Height() - side) / 2;
            picture.Crop({left, top, left + side, top + side});
        }
        const double scale = double(kCachedSide) / std::max(picture.Width(), picture.Height());
        const int32_t width = std::max(1, int32_t(picture.Width() * scale + 0.5));
        const int32_t height = std::max(1, int32_t(picture.Height() * scale + 0.5));
        if (!picture.Scale(width, height)) {
            LogFmt("VRGuiImage::CacheImage - failed to scale '%s'", file.c_str());
            return "";
        }
    }
    const std::string cached = folder + RemoveExtensionFromFile(ExtractFileName(file)) + ".png";
    if (!CreateMultiLevelDir(folder) || !picture.SaveAs(cached))
        return "";
    return cached;
}
