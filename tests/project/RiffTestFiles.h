#pragma once

#include "support/CFileObj.h"
#include "support/CRIFF.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// A RIFF file of the project's form type, written or read by the callback;
// the file objects are released whatever the callback does.
inline bool WriteChunks(const std::string& path, const std::function<bool(CRIFF&)>& write,
                        const char (&form)[5] = "LTC3") {
    auto* file = new CFileObj;
    auto* riff = new CRIFF;
    bool ok = file->Create(path) && riff->Create(file, MakeFourCC(form)) && write(*riff);
    ok = riff->Close() && ok;
    riff->DeleteRefObject();
    file->DeleteRefObject();
    return ok;
}

inline bool ReadChunks(const std::string& path, const std::function<bool(CRIFF&)>& read) {
    auto* file = new CFileObj;
    auto* riff = new CRIFF;
    const bool ok = file->Open(path) && riff->Open(file, nullptr) && read(*riff);
    riff->Close();
    riff->DeleteRefObject();
    file->DeleteRefObject();
    return ok;
}

inline std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}
