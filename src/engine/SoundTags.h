#pragma once

#include <string>

// The descriptive texts written into a rendered file where its format carries them.
// Texts are UTF-8; an empty text (or a track number of 0) is left out of the file.
struct SoundTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string genre;
    std::string year;
    std::string comment;
    std::string copyright;
    int trackNumber = 0;

    // True when nothing would be written.
    bool Empty() const;
    // The track number as text, "" when there is none.
    std::string TrackNumberText() const;
};
