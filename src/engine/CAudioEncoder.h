#pragma once

#include "engine/FormatDetails.h"

#include <cstdint>
#include <string>

// One encoding back end: writes interleaved float frames to a file in one format. The file
// it is given already exists (empty) and is the back end's to fill; deleting or renaming it
// is the caller's business.
class CAudioEncoder {
public:
    virtual ~CAudioEncoder() = default;

    // Starts the file. False (with the reason in error) when the settings are refused or the
    // file cannot be written.
    virtual bool Open(const std::string& path, const FormatDetails& details,
                      std::string& error) = 0;
    // Encodes `frames` frames (frames * channels samples).
    virtual bool Write(const float* interleaved, int64_t frames, std::string& error) = 0;
    // Flushes what the codec still holds, completes the headers and closes the file.
    virtual bool Finish(std::string& error) = 0;
    // For the log.
    virtual const char* Name() const = 0;
};
