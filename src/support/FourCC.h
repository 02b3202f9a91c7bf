#pragma once

#include <cstdint>
#include <string>

// A four-character chunk code as stored in RIFF files: its four bytes read as
// a little-endian 32-bit number, so MakeFourCC("PROJ") == 0x4A4F5250.
using FourCC = uint32_t;

constexpr FourCC MakeFourCC(const char (&code)[5]) {
    return static_cast<FourCC>(static_cast<unsigned char>(code[0])) |
           static_cast<FourCC>(static_cast<unsigned char>(code[1])) << 8 |
           static_cast<FourCC>(static_cast<unsigned char>(code[2])) << 16 |
           static_cast<FourCC>(static_cast<unsigned char>(code[3])) << 24;
}

// The four characters of a code, for log lines; bytes outside printable
// ASCII show as '?'.
inline std::string FourCCToText(FourCC code) {
    std::string text(4, '?');
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(code >> (8 * i));
        if (byte >= 0x20 && byte < 0x7F)
            text[i] = static_cast<char>(byte);
    }
    return text;
}

constexpr FourCC FOURCC_RIFF = MakeFourCC("RIFF");
constexpr FourCC FOURCC_LIST = MakeFourCC("LIST");
