#include "engine/CFFmpegLibrary.h"

#include "support/Log.h"

#include <dlfcn.h>

#include <mutex>

namespace {

// The library files of the major versions the program was built against:
// another major version has another interface.
std::string FileOf(const char* name, int major) {
    return std::string("lib") + name + ".so." + std::to_string(major);
}

void* Open(const std::string& file, std::string& reason) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        reason = error ? error : "cannot open " + file;
    }
    return handle;
}

} // namespace

const CFFmpegLibrary* CFFmpegLibrary::Get(std::string* reason) {
    static std::once_flag once;
    static CFFmpegLibrary library;
    static bool loaded = false;
    static std::string failure;
    std::call_once(once, [] {
        loaded = library.Load(failure);
        if (!loaded)
            LogFmt("CFFmpegLibrary::Get - FFmpeg is not available: %s", failure.c_str());
    });
    if (!loaded && reason)
        *reason = failure;
    return loaded ? &library : nullptr;
}

bool CFFmpegLibrary::Load(std::string& reason) {
    // Opened for good: the handles stay for the life of the program.
    void* handles[] = {
        Open(FileOf("avutil", LIBAVUTIL_VERSION_MAJOR), reason),
        Open(FileOf("avcodec", LIBAVCODEC_VERSION_MAJOR), reason),
        Open(FileOf("avformat", LIBAVFORMAT_VERSION_MAJOR), reason),
        Open(FileOf("swresample", LIBSWRESAMPLE_VERSION_MAJOR), reason),
    };
    for (void* handle : handles) {
        if (!handle)
            return false;
    }
    bool complete = true;
    const auto find = [&](const char* name) -> void* {
        for (void* handle : handles) {
            if (void* symbol = dlsym(handle, name))
                return symbol;
        }
        reason = std::string("no function ") + name;
        complete = false;
        return nullptr;
    };
#define LOOMTONE_FFMPEG_FIND(name) name = reinterpret_cast<decltype(name)>(find(#name));
    LOOMTONE_FFMPEG_FUNCTIONS(LOOMTONE_FFMPEG_FIND)
#undef LOOMTONE_FFMPEG_FIND
    return complete;
}
