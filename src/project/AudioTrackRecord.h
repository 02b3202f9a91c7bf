#pragma once

#include "project/ProjectReadError.h"
#include "project/RecordingInput.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRIFF;

// The settings of an audio track in a project file, chunk "TrkA" (920
// bytes): name, image, volume, pan, mute, solo, arming, monitoring, colour,
// freezing, height, the number of clips that follow and the last arming.
struct AudioTrackRecord {
    static constexpr FourCC kChunkCode = MakeFourCC("TrkA");
    static constexpr size_t kSize = 920;
    static constexpr size_t kMinimumBodySize = 8; // the version
    static constexpr double kVersion = 1.0;       // the only version read
    static constexpr size_t kNameSize = 256;
    static constexpr size_t kPathSize = 260;

    std::string name;
    std::string imageName;
    double volume = 1.0;
    double pan = 0.0;
    bool mute = false;
    bool solo = false;
    // Arming; the device, channel selection, driver type and monitoring are
    // stored only while armed (zero otherwise).
    bool armed = false;
    int32_t armedDevice = 0;
    int32_t armedChannel = 0;
    int32_t armedDriverType = 0;
    bool monitoring = false;
    uint32_t colour = 0;
    bool frozen = false;
    // Read as stored; check it with IsOwnFrozenFilePath before using it.
    std::string frozenFilePath;
    bool selected = false; // written for other readers; a loading track ignores it
    int32_t height = 0;
    uint32_t clipCount = 0;
    // The last arming, reused the next time the track is armed.
    bool armedBefore = false;
    int32_t lastDriverType = 0;
    int32_t lastDevice = 0;
    int32_t lastChannel = 0;

    // Set by reading: the arming fields are kept as the file had them, but
    // name devices of the machine that wrote it. Apply them only when
    // ArmingUsable / LastArmingUsable say the input exists here.
    bool armingFromFile = false;

    bool ArmingUsable(const RecordingInput& input) const {
        return armed && input.Offers(armedDriverType, armedDevice, armedChannel);
    }
    bool LastArmingUsable(const RecordingInput& input) const {
        return armedBefore && input.Offers(lastDriverType, lastDevice, lastChannel);
    }

    std::vector<uint8_t> ToBytes() const;
    // Takes the fields from a body of at least 8 bytes (missing fields read
    // as zero) of version 1.0. A volume or pan that is not finite reads as
    // its default. Nothing changes on failure.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    bool Write(CRIFF& riff) const;
    // Reads the reader's current chunk, which must be "TrkA", and moves past it.
    ProjectReadError Read(CRIFF& riff);
};
