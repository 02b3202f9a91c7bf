#pragma once

#include "burn/BurnTrack.h"

#include <string>
#include <vector>

// The cue sheet of a burn ("mycue.txt" in the temporary folder): the album
// title, then per track its WAV file, number, index, ISRC and title, every
// line ended with CR LF.
class CCueSheet {
public:
    static constexpr const char* kFileName = "mycue.txt";

    // The album title: the one entered, else the project file's name without
    // folder and extension, else the localized default ("BD_DefaultTitle").
    static std::string AlbumTitle(const std::string& entered, const std::string& projectPath);
    // The text, each line logged as it is made.
    static std::string Build(const std::string& albumTitle, const std::vector<BurnTrack>& tracks);
    // Writes the text to "mycue.txt" in the folder; false when it cannot.
    static bool Write(const std::string& folder, const std::string& text);
};
