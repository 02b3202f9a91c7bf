#pragma once

#include "engine/SoundTags.h"

#include <cstdint>
#include <vector>

// Builds an ID3v2.3 tag to stand before the first MPEG frame of an MP3 file: title (TIT2),
// artist (TPE1), album (TALB), genre (TCON), track number (TRCK), year (TYER), comment (COMM,
// language "eng", empty description) and copyright (TCOP). Texts are written as UTF-16 with a
// byte order mark, which every ID3v2.3 reader understands, so any language survives. Empty
// texts are left out; an all-empty set of tags gives no tag at all (an empty vector).
// Each text is cut to kId3MaxTextChars characters.
std::vector<uint8_t> BuildId3v2Tag(const SoundTags& tags);

constexpr size_t kId3MaxTextChars = 4096;
