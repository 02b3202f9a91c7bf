#pragma once

#include <cstdint>
#include <string>

// The authoring information of a project, written into rendered files and
// onto CDs.
struct ProjectAuthoring {
    static constexpr int32_t kNoGenre = 255;

    std::string author;
    std::string album;
    std::string copyright;
    std::string title;
    std::string comments;
    std::string genre;
    uint32_t year = 0;
    // The genre chosen from the list, kNoGenre when none; not saved.
    int32_t genreNumber = kNoGenre;
};
