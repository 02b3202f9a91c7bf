#pragma once

#include "engine/CAudioEncoder.h"
#include "engine/FormatDetails.h"

#include <cstdint>
#include <memory>
#include <string>

// Encodes a stream of interleaved float frames into one sound file: Open, Write as often as
// needed, then Close to finish the file or Abort to drop it.
//
// The audio goes into a hidden temporary file in the target's folder, which replaces the
// target (by renaming, so in one step) only when Close succeeds. An aborted, failed or
// never-closed encoding therefore leaves neither a half-written file nor the temporary one,
// and an existing file at the target stays as it was until the new one is complete.
//
// Failures return false and write one log line; after a failed Write the encoding can only be
// closed (which then fails and cleans up) or aborted.
class CConv2FileFormat {
public:
    CConv2FileFormat();
    // Aborts an encoding that was not closed.
    ~CConv2FileFormat();
    CConv2FileFormat(const CConv2FileFormat&) = delete;
    CConv2FileFormat& operator=(const CConv2FileFormat&) = delete;

    // Starts a file at the path ('/' or '\' separators). Fails when the settings are not valid
    // or the target's folder cannot be written. An open encoding is aborted first.
    bool Open(const std::string& path, const FormatDetails& details);
    // Encodes `frames` frames of details.channels interleaved samples each.
    bool Write(const float* interleaved, int64_t frames);
    // Finishes the file and puts it in place of the target.
    bool Close();
    // Stops and removes everything written. Harmless when nothing is open.
    void Abort();

    bool IsOpen() const { return m_encoder != nullptr; }
    // Why the last Open, Write or Close failed, for the user ("" when none did).
    const std::string& LastError() const { return m_lastError; }
    int64_t FramesWritten() const { return m_framesWritten; }
    const FormatDetails& Details() const { return m_details; }

private:
    bool CreateTempFile(const std::string& target);
    void Fail(const char* step, const std::string& reason);
    void Discard();

    std::unique_ptr<CAudioEncoder> m_encoder;
    FormatDetails m_details;
    std::string m_target;
    std::string m_tempPath;
    std::string m_lastError;
    int64_t m_framesWritten = 0;
    bool m_failed = false;
};
