#pragma once

#include "support/Observable.h"
#include "support/Observer.h"
#include "gui/CImage.h"
#include "gui/GuiButton.h"
#include "gui/VRGuiContainer.h"

#include <cstdint>
#include <string>

// A track's picture, fitted into the object and centred, with a small button
// in the bottom-right corner for choosing another. Clicking the picture or the
// button sends kNotifyClicked to the observers with the object as parameter.
// The object is transparent: where the picture does not cover it, the parent
// shows through.
class VRGuiImage : public VRGuiContainer, public Observable, public Observer {
public:
    static constexpr int kNotifyClicked = 1001;
    static constexpr int32_t kSelectButtonId = 1001;
    // Cached pictures are at most this large on either side.
    static constexpr int32_t kCachedSide = 240;

    VRGuiImage(int32_t width, int32_t height);
    ~VRGuiImage() override;

    // Shows the picture file; false (and no picture) when it cannot be opened.
    bool SetPicture(const std::string& path);
    void ClearPicture();
    const CImage& GetPicture() const { return m_picture; }
    GuiButton& GetSelectButton() { return m_select; }

    void SetSize(int32_t width, int32_t height) override;
    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnNotification(int message, void* parameter) override;

    // Copies a picture into the picture folder (ending in '/'), made small
    // enough for a track header: a picture larger than kCachedSide on either
    // side is cut to its centred square (pictures with transparency are kept
    // whole) and scaled so that its larger side is kCachedSide. It is saved
    // as a PNG named after the file, with the extension ".png". Answers the
    // cached file's path (the file itself when it is in the folder already),
    // or "" when the file is missing or cannot be read or written.
    static std::string CacheImage(const std::string& file, const std::string& pictureFolder);

private:
    void PlaceButton();
    // Where the picture is drawn: fitted into the object, centred.
    GuiRect PictureRect() const;

    CImage m_picture;
    GuiButton m_select;
};
