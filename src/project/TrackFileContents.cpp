#include "project/TrackFileContents.h"

#include "engine/CEffectChain.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>

namespace {

const FourCC kAudioClipCode = MakeFourCC("ClpA");
const FourCC kMidiClipListType = MakeFourCC("ClpM");

// Reads a chain that must be the reader's current chunk. CEffectChain::Load
// searches onwards, which could take a chain of the next track; checking the
// current chunk first keeps every track to its own chunks.
bool ReadChain(CRIFF& riff, FourCC code, CEffectChain& chain) {
    RIFFChunkInfo chunk;
    return riff.GetCurrentChunkInfo(nullptr, &chunk) && chunk.chunkID == code &&
           chain.Load(&riff, code);
}

ProjectReadError ReadClipChunks(CRIFF& riff, std::vector<RawChunk>* chunks) {
    RIFFChunkInfo chunk;
    while (riff.GetCurrentChunkInfo(nullptr, &chunk) && !IsTrackChunkCode(chunk.chunkID)) {
        RawChunk raw;
        if (!raw.ReadCurrent(riff))
            return ProjectReadError::ShortRead;
        chunks->push_back(std::move(raw));
        if (!riff.SeekToNextChunk())
            break;
    }
    return ProjectReadError::None;
}

uint32_t CountClipStarts(const std::vector<RawChunk>& chunks) {
    return static_cast<uint32_t>(std::count_if(chunks.begin(), chunks.end(), [](const RawChunk& c) {
        return TrackFileContents::StartsClip(c);
    }));
}

} // namespace

bool IsTrackChunkCode(FourCC code) {
    return code == AudioTrackRecord::kChunkCode || code == MidiTrackRecord::kChunkCode;
}

TrackFileContents::TrackFileContents(AudioTrackRecord audio)
    : record(std::move(audio)), effects(std::make_unique<CEffectChain>()) {}

TrackFileContents::TrackFileContents(MidiTrackRecord midi)
    : record(std::move(midi)), effects(std::make_unique<CEffectChain>()),
      instrument(std::make_unique<CEffectChain>()),
      instrumentEffects(std::make_unique<CEffectChain>()) {}

TrackFileContents::~TrackFileContents() = default;
TrackFileContents::TrackFileContents(TrackFileContents&&) noexcept = default;
TrackFileContents& TrackFileContents::operator=(TrackFileContents&&) noexcept = default;

bool TrackFileContents::StartsClip(const RawChunk& chunk) {
    return chunk.code == kAudioClipCode || chunk.ListType() == kMidiClipListType;
}

uint32_t TrackFileContents::CountClips() const {
    return CountClipStarts(clipChunks);
}

bool TrackFileContents::Write(CRIFF& riff) const {
    if (incomplete)
        return false;
    if (const AudioTrackRecord* audio = Audio()) {
        AudioTrackRecord written = *audio;
        written.clipCount = CountClips();
        if (!written.Write(riff))
            return false;
        if (!effects->Save(&riff, kEffectsCode)) {
            Log("CAudioTrack::Save failed on proj->SaveEffectsChain(riff, "
                "GetPCMTrack()->trackNumber) -  returning false!");
            return false;
        }
    } else {
        MidiTrackRecord written = *Midi();
        written.clipCount = CountClips();
        if (!written.Write(riff))
            return false;
        if (!effects->Save(&riff, kEffectsCode)) {
            Log("CAudioTrack::Save failed on effectChain->Save(riff) -  returning false!");
            return false;
        }
        if (!instrument->Save(&riff, kInstrumentCode)) {
            Log("CAudioTrack::Save failed on GetInstrumentChain()->Save(riff, FOURCC_INST_LIST) "
                "-  returning false!");
            return false;
        }
        if (!instrumentEffects->Save(&riff, kInstrumentEffectsCode)) {
            Log("CAudioTrack::Save failed on GetInstrumentEffectsChain()->Save(riff, "
                "FOURCC_INST_FX_LIST) -  returning false!");
            return false;
        }
    }
    return std::all_of(clipChunks.begin(), clipChunks.end(),
                       [&riff](const RawChunk& chunk) { return chunk.Write(riff); });
}

ProjectReadError TrackFileContents::Read(CRIFF& riff, std::optional<TrackFileContents>* track) {
    RIFFChunkInfo chunk;
    if (!riff.GetCurrentChunkInfo(nullptr, &chunk) || !IsTrackChunkCode(chunk.chunkID))
        return ProjectReadError::ChunkMissing;
    std::optional<TrackFileContents> read;
    uint32_t storedClipCount = 0;
    if (chunk.chunkID == MidiTrackRecord::kChunkCode) {
        MidiTrackRecord midi;
        if (const ProjectReadError error = midi.Read(riff); error != ProjectReadError::None)
            return error;
        storedClipCount = midi.clipCount;
        read.emplace(std::move(midi));
        if (!ReadChain(riff, kEffectsCode, *read->effects)) {
            Log("CAudioTrack::Load failed to load track effects chain -  returning false!");
            return ProjectReadError::EffectChainRefused;
        }
        if (!ReadChain(riff, kInstrumentCode, *read->instrument)) {
            Log("CAudioTrack::Load failed to load inst chain -  returning false!");
            return ProjectReadError::EffectChainRefused;
        }
        if (!ReadChain(riff, kInstrumentEffectsCode, *read->instrumentEffects)) {
            Log("CAudioTrack::Load failed to load inst FX chain -  returning false!");
            return ProjectReadError::EffectChainRefused;
        }
    } else {
        AudioTrackRecord audio;
        if (const ProjectReadError error = audio.Read(riff); error != ProjectReadError::None)
            return error;
        storedClipCount = audio.clipCount;
        read.emplace(std::move(audio));
        if (!ReadChain(riff, kEffectsCode, *read->effects)) {
            Log("CAudioTrack::Load failed to load track effects chain -  returning false!");
            return ProjectReadError::EffectChainRefused;
        }
    }
    if (const ProjectReadError error = ReadClipChunks(riff, &read->clipChunks);
        error != ProjectReadError::None)
        return error;
    const uint32_t present = read->CountClips();
    if (storedClipCount > present) {
        LogFmt("Track announces %u clips but holds %u; reading those", storedClipCount, present);
        if (AudioTrackRecord* audio = read->Audio())
            audio->clipCount = present;
        else
            read->Midi()->clipCount = present;
    }
    *track = std::move(read);
    return ProjectReadError::None;
}
