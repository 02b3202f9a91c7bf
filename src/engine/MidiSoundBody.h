#pragma once

#include "engine/CMidiControllerList.h"
#include "engine/MidiNote.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Everything a MIDI sound saves: its settings, notes and controller lists.
struct MidiSoundContent {
    double position = 0.0;     // on the timeline, ms
    double virtualStart = 0.0; // offset into the material, ms
    double length = 0.0;       // virtual length, ms
    double mediaLength = 0.0;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    double rate = 1.0;
    double tempo = 0.0; // bpm; 0 = none
    int32_t transpose = 0;
    int32_t key = 3;
    int32_t trackNumber = -1;
    int32_t timeSigNumerator = 0; // 0/0 = not known
    int32_t timeSigDenominator = 0;
    bool muted = false;
    bool obeyTempoMap = false;
    bool obeyKeyMap = true;

    struct Controller {
        int32_t controller = 0;
        std::vector<MidiControllerEvent> events;
        bool operator==(const Controller&) const = default;
    };
    std::vector<TMidiSndNoteData> notes;
    std::vector<Controller> controllers;

    bool operator==(const MidiSoundContent&) const = default;
};

// The MIDI sound's body in project files, little-endian:
//   f64 version (1.0)
//   f64 position, virtual start, length, media length, loop start, loop end,
//       rate, tempo
//   i32 transpose, key, track number, time-signature numerator, denominator
//   u8  muted, obey tempo map, obey key map, reserved (0)
//   u32 note count, then per note the 40-byte note data record:
//       i32 channel, i32 0, f64 start, f64 end, i32 pitch, i32 velocity,
//       i32 release velocity, i32 0
//   u32 controller list count, then per list:
//       i32 controller, u32 event count, per event f64 time, i32 value, i32 channel
namespace MidiSoundBody {

constexpr double kVersion = 1.0;
constexpr int kMaxTranspose = 127;

std::vector<uint8_t> Write(const MidiSoundContent& content);
// Reads and checks a whole body: the version, every count against the bytes
// that are left, every value against its range (IsValidContent), and no bytes
// after the end. `content` is only written on success.
bool Read(const uint8_t* data, size_t size, MidiSoundContent* content);

// Times finite and not negative, rate finite and positive, tempo 0 or
// 1..999, transpose within +-kMaxTranspose, key within the key table, track
// number -1 or more, time signature 0/0 or valid, valid notes and controller
// events, each controller kind at most once.
bool IsValidContent(const MidiSoundContent& content);

} // namespace MidiSoundBody
