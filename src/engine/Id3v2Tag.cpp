#include "engine/Id3v2Tag.h"

#include "support/Paths.h"

#include <string>

namespace {

void PutBigEndian32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value >> 24);
    out[at + 1] = static_cast<uint8_t>(value >> 16);
    out[at + 2] = static_cast<uint8_t>(value >> 8);
    out[at + 3] = static_cast<uint8_t>(value);
}

void PutUtf16Unit(std::vector<uint8_t>& out, uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

// Byte order mark and little-endian UTF-16 code units, without a terminator.
void PutUtf16Text(std::vector<uint8_t>& out, const std::string& utf8) {
    std::wstring wide = ConvertSingleByteToUnicode(utf8);
    if (wide.size() > kId3MaxTextChars)
        wide.resize(kId3MaxTextChars);
    PutUtf16Unit(out, 0xFEFF);
    for (wchar_t ch : wide) {
        const uint32_t code = static_cast<uint32_t>(ch);
        if (code >= 0x10000) {
            const uint32_t v = code - 0x10000;
            PutUtf16Unit(out, 0xD800 + (v >> 10));
            PutUtf16Unit(out, 0xDC00 + (v & 0x3FF));
        } else {
            PutUtf16Unit(out, code);
        }
    }
}

constexpr uint8_t kEncodingUtf16 = 1;

// Appends a frame header, leaving the size to be patched once the body is written.
size_t BeginFrame(std::vector<uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
    const size_t sizeAt = out.size();
    out.insert(out.end(), 6, 0); // size, then two flag bytes
    return sizeAt;
}

void EndFrame(std::vector<uint8_t>& out, size_t sizeAt) {
    PutBigEndian32(out, sizeAt, static_cast<uint32_t>(out.size() - sizeAt - 6));
}

void PutTextFrame(std::vector<uint8_t>& out, const char* id, const std::string& text) {
    if (text.empty())
        return;
    const size_t sizeAt = BeginFrame(out, id);
    out.push_back(kEncodingUtf16);
    PutUtf16Text(out, text);
    EndFrame(out, sizeAt);
}

void PutCommentFrame(std::vector<uint8_t>& out, const std::string& text) {
    if (text.empty())
        return;
    const size_t sizeAt = BeginFrame(out, "COMM");
    out.push_back(kEncodingUtf16);
    out.insert(out.end(), {'e', 'n', 'g'});
    PutUtf16Text(out, ""); // the description: empty, then its terminator
    out.insert(out.end(), {0, 0});
    PutUtf16Text(out, text);
    EndFrame(out, sizeAt);
}

} // namespace

std::vector<uint8_t> BuildId3v2Tag(const SoundTags& tags) {
    if (tags.Empty())
        return {};
    std::vector<uint8_t> out = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    PutTextFrame(out, "TIT2", tags.title);
    PutTextFrame(out, "TPE1", tags.artist);
    PutTextFrame(out, "TALB", tags.album);
    PutTextFrame(out, "TCON", tags.genre);
    PutTextFrame(out, "TRCK", tags.TrackNumberText());
    PutTextFrame(out, "TYER", tags.year);
    PutCommentFrame(out, tags.comment);
    PutTextFrame(out, "TCOP", tags.copyright);
    // The tag size leaves out the header and is stored seven bits per byte.
    const uint32_t size = static_cast<uint32_t>(out.size() - 10);
    out[6] = static_cast<uint8_t>((size >> 21) & 0x7F);
    out[7] = static_cast<uint8_t>((size >> 14) & 0x7F);
    out[8] = static_cast<uint8_t>((size >> 7) & 0x7F);
    out[9] = static_cast<uint8_t>(size & 0x7F);
    return out;
}
