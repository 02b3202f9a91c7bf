#include "engine/InstPresetManager.h"

#include "engine/CByteReader.h"
#include "engine/CByteWriter.h"
#include "engine/CEffectChain.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr FourCC kForm = MakeFourCC("LtIP");
constexpr FourCC kHeader = MakeFourCC("IPhd");
constexpr FourCC kInstrumentChain = MakeFourCC("EisL");
constexpr FourCC kEffectsChain = MakeFourCC("Eifx");
constexpr size_t kMaxNameBytes = 259;

// Sorted names of the folder's entries that pass the test.
template <typename Accept>
std::vector<std::string> ListFolder(const std::string& folder, Accept accept) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name;
        if (accept(*it, name) && InstPresetManager::IsValidName(name))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Reads the current chunk's whole body; false when it is larger than limit or short.
bool ReadWholeChunk(CRIFF& riff, FourCC code, uint32_t limit, std::vector<uint8_t>& body) {
    RIFFChunkInfo chunk;
    if (!riff.SeekToLevelBeginning() || !riff.SeekToChunk(code) ||
        !riff.GetCurrentChunkInfo(nullptr, &chunk) || chunk.chunkSize > limit)
        return false;
    body.resize(chunk.chunkSize);
    return riff.ReadCurrentSubChunk(body.data(), chunk.chunkSize) == chunk.chunkSize;
}

} // namespace

bool InstPresetManager::Init(const std::string& folder) {
    m_folder.clear();
    std::string path = ToNativeSeparators(folder);
    if (path.empty() || !IsValidDirectory(path))
        return false;
    if (path.back() != '/')
        path += '/';
    m_folder = std::move(path);
    return true;
}

bool InstPresetManager::IsValidName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '/' || c == '\\';
    });
}

std::string InstPresetManager::PresetPath(const std::string& group, const std::string& name) const {
    if (!IsInitialized() || !IsValidName(group) || !IsValidName(name))
        return {};
    return m_folder + group + "/" + name + "." + kExtension;
}

std::vector<std::string> InstPresetManager::GetGroups() const {
    if (!IsInitialized())
        return {};
    return ListFolder(m_folder,
                      [](const std::filesystem::directory_entry& entry, std::string& name) {
                          std::error_code error;
                          name = entry.path().filename().string();
                          return entry.is_directory(error);
                      });
}

std::vector<std::string> InstPresetManager::GetPresets(const std::string& group) const {
    if (!IsInitialized() || !IsValidName(group))
        return {};
    return ListFolder(m_folder + group,
                      [](const std::filesystem::directory_entry& entry, std::string& name) {
                          std::error_code error;
                          const std::string file = entry.path().filename().string();
                          name = RemoveExtensionFromFile(file);
                          return entry.is_regular_file(error) && HasFileExtension(file, kExtension);
                      });
}

bool InstPresetManager::ReadBodies(const std::string& path, std::vector<uint8_t>& instrumentBody,
                                   std::vector<uint8_t>& effectsBody) const {
    auto* file = new CFileObj;
    auto* riff = new CRIFF;
    RIFFChunkInfo form;
    bool ok = file->Open(path) && riff->Open(file, &form) && form.chunkType == kForm;
    std::vector<uint8_t> header;
    ok = ok && ReadWholeChunk(*riff, kHeader, 4, header);
    CByteReader headerReader(header.data(), header.size());
    uint32_t version = 0;
    ok = ok && headerReader.ReadU32(version) && version == kFileVersion;
    ok = ok && ReadWholeChunk(*riff, kInstrumentChain, CEffectChain::kMaxBodyBytes, instrumentBody);
    ok = ok && ReadWholeChunk(*riff, kEffectsChain, CEffectChain::kMaxBodyBytes, effectsBody);
    riff->Close();
    riff->DeleteRefObject();
    file->DeleteRefObject();
    return ok;
}

bool InstPresetManager::LoadPreset(const std::string& group, const std::string& name,
                                   CEffectChain* instrumentChain,
                                   CEffectChain* effectsChain) const {
    const std::string path = PresetPath(group, name);
    if (path.empty() || !instrumentChain || !effectsChain)
        return false;
    std::vector<uint8_t> instrumentBody;
    std::vector<uint8_t> effectsBody;
    if (!ReadBodies(path, instrumentBody, effectsBody)) {
        LogFmt("InstPresetManager::LoadPreset - cannot read %s - returning false!", path.c_str());
        return false;
    }
    // The instrument chain is put back from its own bytes when the second
    // body is refused, so that both chains change or neither.
    const std::vector<uint8_t> previous = instrumentChain->SaveBody();
    if (!instrumentChain->LoadBody(instrumentBody.data(), instrumentBody.size()))
        return false;
    if (!effectsChain->LoadBody(effectsBody.data(), effectsBody.size())) {
        instrumentChain->LoadBody(previous.data(), previous.size());
        LogFmt("InstPresetManager::LoadPreset - %s holds a bad effects chain - returning false!",
               path.c_str());
        return false;
    }
    return true;
}

bool InstPresetManager::WriteFile(const std::string& path, const CEffectChain& instrumentChain,
                                  const CEffectChain& effectsChain) const {
    auto* file = new CFileObj;
    auto* riff = new CRIFF;
    CByteWriter header;
    header.WriteU32(kFileVersion);
    bool ok = file->Create(path) && riff->Create(file, kForm) &&
              riff->WriteSubChunk(kHeader, header.Bytes().data(),
                                  static_cast<uint32_t>(header.Bytes().size())) &&
              instrumentChain.Save(riff, kInstrumentChain) &&
              effectsChain.Save(riff, kEffectsChain);
    ok = riff->Close() && ok;
    ok = file->Close() && ok;
    riff->DeleteRefObject();
    file->DeleteRefObject();
    return ok;
}

bool InstPresetManager::SavePreset(const std::string& group, const std::string& name,
                                   const CEffectChain& instrumentChain,
                                   const CEffectChain& effectsChain) const {
    const std::string path = PresetPath(group, name);
    if (path.empty() || !CreateMultiLevelDir(m_folder + group)) {
        LogFmt("InstPresetManager::SavePreset - cannot save %s:%s - returning false!",
               group.c_str(), name.c_str());
        return false;
    }
    const std::string temporary = path + ".tmp";
    if (!WriteFile(temporary, instrumentChain, effectsChain) ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        LogFmt("InstPresetManager::SavePreset - writing %s failed - returning false!",
               path.c_str());
        return false;
    }
    return true;
}
