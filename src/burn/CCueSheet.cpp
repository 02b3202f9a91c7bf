#include "burn/CCueSheet.h"

#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <cstdio>

namespace {

void AddLine(std::string& text, const std::string& line) {
    Log(line.c_str());
    text += line;
    text += "\r\n";
}

} // namespace

std::string CCueSheet::AlbumTitle(const std::string& entered, const std::string& projectPath) {
    if (!entered.empty())
        return entered;
    const std::string name = ExtractFileName(projectPath);
    // Project files end in a four-character extension (".lt4").
    if (name.size() > 4)
        return name.substr(0, name.size() - 4);
    return MyLoadString("BD_DefaultTitle");
}

std::string CCueSheet::Build(const std::string& albumTitle, const std::vector<BurnTrack>& tracks) {
    Log("CBurner::MyBuildCueSheet() - Creating cue sheet....");
    std::string text;
    AddLine(text, "TITLE \"" + albumTitle + "\"");
    for (size_t index = 0; index < tracks.size(); ++index) {
        const BurnTrack& track = tracks[index];
        char number[16];
        std::snprintf(number, sizeof(number), "%02d", static_cast<int>(index + 1));
        AddLine(text, "FILE \"" + track.wavPath + "\" WAVE");
        AddLine(text, std::string("  TRACK ") + number + " AUDIO");
        AddLine(text, "    INDEX 01 00:00:00");
        if (!track.isrc.empty())
            AddLine(text, "    ISRC " + track.isrc);
        AddLine(text, "      TITLE \"" + track.title + "\"");
    }
    Log("CBurner::MyBuildCueSheet() - End cue sheet.");
    return text;
}

bool CCueSheet::Write(const std::string& folder, const std::string& text) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += kFileName;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        LogFmt("CCueSheet::Write failed on fopen(%s) - returning false!", path.c_str());
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        LogFmt("CCueSheet::Write failed on fwrite(%s) - returning false!", path.c_str());
    return written && closed;
}
