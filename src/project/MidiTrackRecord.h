#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRIFF;

// The settings of a MIDI track in a project file, chunk "TrkM" (1952
// bytes): the common track settings, the instrument preset, the instrument
// window's place, freezing and the MIDI input channel.
struct MidiTrackRecord {
    static constexpr FourCC kChunkCode = MakeFourCC("TrkM");
    static constexpr size_t kSize = 1952;
    static constexpr size_t kMinimumBodySize = 8; // the version
    static constexpr double kVersion = 1.1;       // always written
    static constexpr double kOldestVersion = 1.0; // 1.0 and 1.1 are read
    static constexpr size_t kNameSize = 256;
    static constexpr size_t kPathSize = 260;
    static constexpr int32_t kAllChannels = -1;
    static constexpr int32_t kLastChannel = 15;

    double version = kVersion; // as read; Write always stores kVersion
    uint32_t clipCount = 0;
    std::string name;
    std::string imageName;
    double volume = 1.0;
    double pan = 0.0;
    bool mute = false;
    bool solo = false;
    // Arming; device and channel are stored only while armed (zero otherwise).
    bool armed = false;
    int32_t armedDevice = 0;
    int32_t armedChannel = 0;
    uint32_t colour = 0;
    bool selected = false; // written for other readers; a loading track ignores it
    int32_t height = 0;
    std::string presetGroup;
    std::string presetName;
    uint32_t presetKind = 0;
    bool windowOption = false;
    int32_t windowX = -1;
    int32_t windowY = -1;
    bool frozen = false;
    // Read as stored; check it with IsOwnFrozenFilePath before using it.
    std::string frozenFilePath;
    int32_t midiInputChannel = kAllChannels; // -1 all, 0..15 one channel

    // Set by reading: the arming fields are kept as the file had them; apply
    // them only when ArmingUsable says the input exists here.
    bool armingFromFile = false;

    // True when armed on a MIDI input device this machine has, with a
    // channel of -1..15.
    bool ArmingUsable(int midiInputDeviceCount) const;

    std::vector<uint8_t> ToBytes() const;
    // Takes the fields from a body of at least 8 bytes (missing fields read
    // as zero) of version 1.0 or 1.1. The MIDI input channel is taken only
    // from version 1.1 and only within -1..15, else it is -1. A volume or pan
    // that is not finite reads as its default. Nothing changes on failure.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    bool Write(CRIFF& riff) const;
    // Reads the reader's current chunk, which must be "TrkM", and moves past it.
    ProjectReadError Read(CRIFF& riff);
};
