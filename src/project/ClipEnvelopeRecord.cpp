#include "project/ClipEnvelopeRecord.h"

#include "engine/CEnvelope.h"
#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr size_t kVersionAt = 0;
constexpr size_t kCountAt = 8;
// The largest body read: more points than any envelope editor makes, far
// below what a 32-bit count could announce.
constexpr size_t kMaximumPoints = 1u << 20;

// Engine times are doubles; the file keeps whole milliseconds. Times beyond
// the 32-bit range (which no project reaches) are held at its ends rather
// than converted with undefined results.
int32_t WholeMs(double ms) {
    if (!std::isfinite(ms))
        return 0;
    const double limited = std::clamp(ms, double{std::numeric_limits<int32_t>::min()},
                                      double{std::numeric_limits<int32_t>::max()});
    return static_cast<int32_t>(limited);
}

} // namespace

ClipEnvelopeRecord ClipEnvelopeRecord::FromEnvelopes(const Envelopes& envelopes) {
    ClipEnvelopeRecord record;
    for (int32_t type = 0; type < kTypeCount; ++type) {
        const CEnvelope* envelope = envelopes[type];
        if (envelope == nullptr)
            continue;
        for (int i = 0; i < envelope->GetNumPoints(); ++i) {
            EnvelopePoint point;
            if (envelope->GetPointAtIndex(i, point))
                record.points.push_back({type, WholeMs(point.timeMs), point.value});
        }
    }
    return record;
}

void ClipEnvelopeRecord::ApplyTo(const Envelopes& envelopes) const {
    int32_t previousType = -1;
    for (const Point& point : points) {
        if (point.type < 0 || point.type >= kTypeCount || !std::isfinite(point.value))
            continue;
        CEnvelope* envelope = envelopes[point.type];
        if (envelope == nullptr)
            continue;
        if (point.type != previousType)
            envelope->RemoveAll();
        previousType = point.type;
        envelope->Insert(point.timeMs, point.value);
    }
}

std::vector<uint8_t> ClipEnvelopeRecord::ToBytes() const {
    CRecordBytes record(kHeadSize + kPointSize * points.size());
    record.PutF64(kVersionAt, kVersion);
    record.PutI32(kCountAt, static_cast<int32_t>(points.size()));
    size_t at = kHeadSize;
    for (const Point& point : points) {
        record.PutI32(at, point.type);
        record.PutI32(at + 4, point.timeMs);
        record.PutF64(at + 8, point.value);
        at += kPointSize;
    }
    return record.Bytes();
}

ProjectReadError ClipEnvelopeRecord::FromBytes(const uint8_t* body, size_t size) {
    if (body == nullptr || size < 8)
        return ProjectReadError::ChunkTooShort;
    const size_t held = std::min(size, kHeadSize + kPointSize * kMaximumPoints);
    const CRecordBytes record = CRecordBytes::FromBody(body, held, std::max(held, kHeadSize));
    if (record.F64(kVersionAt) != kVersion)
        return ProjectReadError::BadVersion;
    const int32_t count = record.I32(kCountAt);
    const size_t pointBytes = held - std::min(held, kHeadSize);
    if (count < 0 || static_cast<size_t>(count) > pointBytes / kPointSize)
        return ProjectReadError::CountDoesNotFit;
    ClipEnvelopeRecord read;
    read.points.reserve(static_cast<size_t>(count));
    for (size_t i = 0, at = kHeadSize; i < static_cast<size_t>(count); ++i, at += kPointSize)
        read.points.push_back({record.I32(at), record.I32(at + 4), record.F64(at + 8)});
    *this = std::move(read);
    return ProjectReadError::None;
}

bool ClipEnvelopeRecord::Write(CRIFF& riff) const {
    const std::vector<uint8_t> bytes = ToBytes();
    return riff.WriteSubChunk(kChunkCode, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

ProjectReadError ClipEnvelopeRecord::Read(CRIFF& riff) {
    if (!riff.SeekToChunk(kChunkCode))
        return ProjectReadError::ChunkMissing;
    RIFFChunkInfo chunk;
    riff.GetCurrentChunkInfo(nullptr, &chunk);
    const size_t wanted =
        std::min<size_t>(chunk.chunkSize, kHeadSize + kPointSize * kMaximumPoints);
    std::vector<uint8_t> body(wanted);
    if (riff.ReadCurrentSubChunk(body.data(), static_cast<uint32_t>(wanted)) != wanted)
        return ProjectReadError::ShortRead;
    riff.SeekToNextChunk();
    return FromBytes(body.data(), body.size());
}
