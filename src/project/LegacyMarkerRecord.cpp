#include "project/LegacyMarkerRecord.h"

#include "project/CRecordBytes.h"

namespace {

enum Offset : size_t {
    kTimeAt = 0,
    kNameAt = 4,
    kCdTrackAt = 132,
    kColourAt = 140,
    kIsrcAt = 144,
};

} // namespace

LegacyMarkerRecord LegacyMarkerRecord::FromBytes(const uint8_t* in, bool withIsrc) {
    const size_t size = withIsrc ? kSizeWithIsrc : kSize;
    const CRecordBytes record = CRecordBytes::FromBody(in, size, size);
    LegacyMarkerRecord read;
    read.time = record.I32(kTimeAt);
    read.name = record.Text(kNameAt, kNameSize);
    read.cdTrack = record.U32(kCdTrackAt) != 0;
    read.colour = record.U32(kColourAt);
    if (withIsrc)
        read.isrc = record.Text(kIsrcAt, kIsrcSize);
    return read;
}

ProjectReadError LegacyMarkerRecord::ToMarkerRecord(bool first, const TempoEvent& startEvent,
                                                    MarkerRecord* marker) const {
    if (time < 0)
        return ProjectReadError::BadValue;
    MarkerRecord converted;
    converted.time = time;
    converted.name = name;
    converted.colour = colour;
    converted.cdTrack = cdTrack;
    converted.isrc = isrc;
    if (first) {
        converted.tempoEvent = startEvent;
        converted.tempoEvent.tempoChange = true;
        converted.tempoEvent.keyChange = true;
        converted.tempoEvent.timeSigChange = true;
        converted.tempoEvent.setting = 1;
    }
    converted.tempoEvent.time = time;
    *marker = std::move(converted);
    return ProjectReadError::None;
}
