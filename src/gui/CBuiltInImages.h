#pragma once

#include <cstdint>

class CImage;

// Pictures the program draws itself and a skin can name by number ("image res
// ID"), so that a skin works even without image files: the message box icons
// and a few markers. Each is drawn in its natural size with transparency.
class CBuiltInImages {
public:
    enum Id : int32_t {
        kExclamation = 1,
        kInformation = 2,
        kQuestion = 3,
        kError = 4,
        kCheckMark = 5,
    };

    // Draws the picture of the number into the image; false for an unknown number.
    static bool Load(int32_t id, CImage& image);
};
