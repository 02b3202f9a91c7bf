#pragma once

#include "engine/FormatDetails.h"

#include <string>

// The encoders' own remembered choices, kept in the settings store under the key path the
// program hands over (levels joined by '\'), in these values:
//   "lastRenderFileType"  number  0 WAV, 1 MP3, 2 WMA, 3 OGG      default 0
//   "renderWavBitDepth"   number  16, 24, or 32 (float)           default 16
//   "renderMp3Bitrate"    number  an MP3 bit rate in kbit/s       default 192
//   "renderWmaBitrate"    number  a WMA bit rate in kbit/s        default 128
//   "renderOggQuality"    number  Vorbis quality 0..10            default 5
// A value that is missing, of another type or outside its domain leaves the current setting.
class CFormatPrefs {
public:
    ConversionType lastFileType = ConversionType::Wav;
    int wavBitDepth = 16;
    int mp3Bitrate = 192;
    int wmaBitrate = 128;
    int oggQuality = 5;

    // Reads the values present under the key path. False when the key does not exist (every
    // setting then stays as it was).
    bool ReadFormatPrefs(const std::string& keyPath);
    // Writes every value under the key path (creating missing levels) and saves the store.
    bool SaveFormatPrefs(const std::string& keyPath) const;

    // What a render of the given type writes with these settings, for the mixer's layout.
    FormatDetails DetailsFor(ConversionType type, int sampleRate, int channels) const;
};
