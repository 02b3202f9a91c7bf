#include "project/MarkerRecord.h"

#include "engine/TempoMap.h"
#include "project/CRecordBytes.h"
#include "support/Log.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

enum Offset : size_t {
    kTimeAt = 0,
    kNameAt = 4,
    kColourAt = 260,
    kCdTrackAt = 264,
    kIsrcAt = 265,
    kEventTimeAt = 292,
    kTempoAt = 296,
    kKeyAt = 304,
    kNumeratorAt = 308,
    kDenominatorAt = 312,
    kTempoChangeAt = 316,
    kKeyChangeAt = 317,
    kTimeSigChangeAt = 318,
    kSettingAt = 320,
};

constexpr double kMinTempo = 1.0;
constexpr double kMaxTempo = 999.0;
constexpr uint32_t kMaxDenominator = 64;

bool ValidTempo(double tempo) {
    return std::isfinite(tempo) && tempo >= kMinTempo && tempo <= kMaxTempo;
}

bool ValidNumerator(uint32_t numerator) {
    return numerator >= 1 && numerator <= INT_MAX;
}

bool ValidDenominator(uint32_t denominator) {
    return denominator >= 1 && denominator <= kMaxDenominator &&
           (denominator & (denominator - 1)) == 0;
}

bool ValidKey(uint32_t key) {
    return key < static_cast<uint32_t>(TempoMap::kKeyCount);
}

// The integer setting is stored as a double; only whole numbers an int holds
// are taken, and 0 (never valid in memory) means 1.
bool ReadSetting(double stored, int* setting) {
    if (!std::isfinite(stored) || stored < 0.0 || stored > INT_MAX || stored != std::floor(stored))
        return false;
    *setting = stored == 0.0 ? 1 : static_cast<int>(stored);
    return true;
}

} // namespace

void MarkerRecord::ToBytes(uint8_t* out) const {
    CRecordBytes record(kSize);
    record.PutI32(kTimeAt, time);
    record.PutText(kNameAt, kNameSize, name);
    record.PutU32(kColourAt, colour);
    record.PutU8(kCdTrackAt, cdTrack ? 1 : 0);
    record.PutText(kIsrcAt, kIsrcSize, isrc);
    const double eventTime = std::isfinite(tempoEvent.time) ? tempoEvent.time : 0.0;
    record.PutI32(kEventTimeAt, static_cast<int32_t>(
                                    std::fmin(std::fmax(eventTime, 0.0), TempoMap::kMaxEventTime)));
    record.PutF64(kTempoAt, tempoEvent.tempo);
    record.PutU32(kKeyAt, static_cast<uint32_t>(tempoEvent.key));
    record.PutU32(kNumeratorAt, static_cast<uint32_t>(tempoEvent.numerator));
    record.PutU32(kDenominatorAt, static_cast<uint32_t>(tempoEvent.denominator));
    record.PutU8(kTempoChangeAt, tempoEvent.tempoChange ? 1 : 0);
    record.PutU8(kKeyChangeAt, tempoEvent.keyChange ? 1 : 0);
    record.PutU8(kTimeSigChangeAt, tempoEvent.timeSigChange ? 1 : 0);
    record.PutF64(kSettingAt, static_cast<double>(tempoEvent.setting));
    std::memcpy(out, record.Data(), kSize);
}

ProjectReadError MarkerRecord::FromBytes(const uint8_t* in) {
    const CRecordBytes record = CRecordBytes::FromBody(in, kSize, kSize);
    MarkerRecord read;
    read.time = record.I32(kTimeAt);
    read.name = record.Text(kNameAt, kNameSize);
    read.colour = record.U32(kColourAt);
    read.cdTrack = record.U8(kCdTrackAt) != 0;
    read.isrc = record.Text(kIsrcAt, kIsrcSize);

    TempoEvent& event = read.tempoEvent;
    const int32_t eventTime = record.I32(kEventTimeAt);
    const double tempo = record.F64(kTempoAt);
    const uint32_t key = record.U32(kKeyAt);
    const uint32_t numerator = record.U32(kNumeratorAt);
    const uint32_t denominator = record.U32(kDenominatorAt);
    event.tempoChange = record.U8(kTempoChangeAt) != 0;
    event.keyChange = record.U8(kKeyChangeAt) != 0;
    event.timeSigChange = record.U8(kTimeSigChangeAt) != 0;

    const bool timesValid = read.time >= 0 && eventTime >= 0;
    const bool changesValid =
        (!event.tempoChange || ValidTempo(tempo)) && (!event.keyChange || ValidKey(key)) &&
        (!event.timeSigChange || (ValidNumerator(numerator) && ValidDenominator(denominator)));
    if (!timesValid || !changesValid || !ReadSetting(record.F64(kSettingAt), &event.setting)) {
        LogFmt("Marker '%s' at %d refused: a time or tempo value is out of range",
               read.name.c_str(), read.time);
        return ProjectReadError::BadValue;
    }
    const TempoEvent defaults;
    event.time = eventTime;
    event.tempo = ValidTempo(tempo) ? tempo : defaults.tempo;
    event.key = ValidKey(key) ? static_cast<int>(key) : defaults.key;
    const bool signatureValid = ValidNumerator(numerator) && ValidDenominator(denominator);
    event.numerator = signatureValid ? static_cast<int>(numerator) : defaults.numerator;
    event.denominator = signatureValid ? static_cast<int>(denominator) : defaults.denominator;
    *this = std::move(read);
    return ProjectReadError::None;
}
