#include "project/CSoundTransfer.h"

#include "support/Log.h"
#include "support/Paths.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

const char* const kCompanionFormats[] = {"%s.ipk", "%s.beatmap", "%s.isk"};

std::string Companion(const char* format, const std::string& soundPath) {
    char name[4096];
    std::snprintf(name, sizeof name, format, ExtractFileName(soundPath).c_str());
    return NormalizePath(std::filesystem::temp_directory_path().string() + "/" + name);
}

} // namespace

CSoundTransfer::CSoundTransfer(std::string targetFolder, bool transferSounds,
                               bool transferLibrarySounds)
    : m_targetFolder(std::move(targetFolder)), m_transferSounds(transferSounds),
      m_transferLibrarySounds(transferLibrarySounds) {
    if (!m_targetFolder.empty() && m_targetFolder.back() != '/')
        m_targetFolder += '/';
}

std::string CSoundTransfer::Transfer(const std::string& source) {
    if (const auto done = m_copied.find(source); done != m_copied.end())
        return done->second;
    if (NormalizePath(ExtractDirectory(source)) == NormalizePath(m_targetFolder)) {
        LogFmt("CAudioClip: Not copying %s because its already in folder %s", source.c_str(),
               m_targetFolder.c_str());
        m_copied[source] = source;
        return source;
    }
    const std::string destination = UniqueFileName(m_targetFolder + ExtractFileName(source));
    std::error_code error;
    if (destination.empty() || !std::filesystem::copy_file(source, destination, error)) {
        LogFmt("CAudioClip::Save failed to copy %s to %s - aborting", source.c_str(),
               destination.c_str());
        return {};
    }
    // The companions only spare the analysis: a failed copy costs nothing else.
    for (const char* format : kCompanionFormats) {
        std::error_code ignored;
        std::filesystem::copy_file(Companion(format, source), Companion(format, destination),
                                   std::filesystem::copy_options::overwrite_existing, ignored);
    }
    m_copied[source] = destination;
    return destination;
}
