#pragma once

#include "support/CFileObj.h"
#include "support/CRIFF.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

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

// A whole file, as a string or a vector of bytes.
template <class Container = std::string> Container ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Container(std::istreambuf_iterator<char>(in), {});
}

template <class Container> void WriteAll(const std::string& path, const Container& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}
