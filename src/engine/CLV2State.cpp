#include "engine/CLV2State.h"

#include "engine/CByteReader.h"
#include "engine/CByteWriter.h"

#include <cmath>

namespace {

constexpr uint64_t kFnvPrime = 0x100000001b3ull;

// 64-bit FNV-1a from the given starting value.
uint64_t Fnv1a(const std::string& text, uint64_t hash) {
    for (unsigned char c : text) {
        hash ^= c;
        hash *= kFnvPrime;
    }
    return hash;
}

} // namespace

EffectID CLV2State::MakeID(const std::string& uri) {
    // Two FNV-1a runs from different starting values give 16 bytes; the
    // first 13 follow the "LV2" prefix.
    const uint64_t hashes[2] = {Fnv1a(uri, 0xcbf29ce484222325ull),
                                Fnv1a(uri, 0x84222325cbf29ce4ull)};
    EffectID id = MakeEffectID("LV2\0");
    for (size_t i = 3; i < id.size(); ++i) {
        const size_t byte = i - 3;
        id[i] = static_cast<uint8_t>(hashes[byte / 8] >> (8 * (byte % 8)));
    }
    return id;
}

bool CLV2State::IsPluginID(const EffectID& id) {
    return id[0] == 'L' && id[1] == 'V' && id[2] == '2';
}

std::vector<uint8_t> CLV2State::Write() const {
    CByteWriter writer;
    writer.WriteU16(kVersion);
    writer.WriteText(uri);
    writer.WriteU16(static_cast<uint16_t>(controls.size()));
    for (const auto& [symbol, value] : controls) {
        writer.WriteText(symbol);
        writer.WriteF32(value);
    }
    return writer.TakeBytes();
}

bool CLV2State::Read(const uint8_t* data, size_t size) {
    CByteReader reader(data, size);
    uint16_t version = 0;
    uint16_t count = 0;
    CLV2State read;
    if (!reader.ReadU16(version) || version != kVersion ||
        !reader.ReadText(read.uri, kMaxUriBytes) || read.uri.empty() || !reader.ReadU16(count) ||
        count > kMaxControls)
        return false;
    read.controls.resize(count);
    for (auto& [symbol, value] : read.controls) {
        if (!reader.ReadText(symbol, kMaxSymbolBytes) || !reader.ReadF32(value) ||
            !std::isfinite(value))
            return false;
    }
    if (!reader.AtEnd())
        return false;
    *this = std::move(read);
    return true;
}

bool CLV2State::ReadUri(const uint8_t* data, size_t size, std::string& uri) {
    CLV2State state;
    if (!state.Read(data, size))
        return false;
    uri = state.uri;
    return true;
}
