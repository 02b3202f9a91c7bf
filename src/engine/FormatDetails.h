#pragma once

#include "engine/SoundTags.h"

#include <string>

// What a rendered or frozen sound file is made of.
enum class FormatKind { Wav16, Wav24, WavFloat, Mp3, Ogg, Wma };

// The engine's file-conversion types, as a render target's extension selects them.
enum class ConversionType { Wav = 0, Mp3 = 1, Wma = 2, Ogg = 3 };

// Everything an encoder needs to write one file: the kind, the audio layout of the frames it
// will be given, the compression setting and the tags.
struct FormatDetails {
    FormatKind kind = FormatKind::Wav16;
    int sampleRate = 44100;
    int channels = 2;
    // Constant bit rate of MP3 and WMA, in kilobits per second.
    int bitrateKbps = 192;
    // Vorbis quality of OGG, 0 (smallest) to 10 (best).
    int oggQuality = 5;
    bool writeTags = true;
    SoundTags tags;

    // The layout of frozen-track files: 32-bit IEEE float WAV, no tags.
    static FormatDetails FrozenTrack(int sampleRate, int channels);

    // True when the encoders can write these settings; otherwise false with the reason.
    bool Validate(std::string* reason) const;

    ConversionType Conversion() const;
    // "WAV 16-bit", "MP3", ... for log lines.
    const char* KindName() const;
    // The kind's usual file extension without the period, upper case as renders write it.
    const char* Extension() const;

    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 192000;
    static constexpr int kMaxChannels = 8;
    static constexpr int kMaxOggQuality = 10;

    // The constant bit rates an MPEG-1 Layer III stream can carry, in kilobits per second.
    static bool IsMp3Bitrate(int kbps);
    // The bit rates offered for WMA.
    static bool IsWmaBitrate(int kbps);
};

// The conversion type for a file extension ("wav", ".Mp3", ...) compared without regard to
// case; false when the extension names no type.
bool ConversionTypeForExtension(const std::string& extension, ConversionType* type);
