#include "project/LegacySoundRecord.h"

#include "project/CRecordBytes.h"
#include "support/CRIFF.h"
#include "support/Log.h"

ProjectReadError LegacySoundRecord::Read(CRIFF& riff) {
    ProjectReadError error = ReadAtom(riff);
    if (error == ProjectReadError::None)
        error = ReadSoundRef(riff);
    if (error == ProjectReadError::None)
        error = ReadSoundData(riff);
    return error;
}

ProjectReadError LegacySoundRecord::ReadAtom(CRIFF& riff) {
    if (!riff.SeekToChunk(kAtomCode)) {
        Log("CAudioClip::LegacyLoad failed to find FOURCC_LEGACY_ATOM_CHUNK - returning false");
        return ProjectReadError::ChunkMissing;
    }
    CRecordBytes atom(0);
    const ProjectReadError error =
        CRecordBytes::ReadChunk(riff, kAtomCode, kAtomMinimumSize, kAtomMinimumSize, &atom);
    if (error != ProjectReadError::None) {
        Log("CAudioClip::LegacyLoad failed to find correctly sized FOURCC_LEGACY_ATOM_CHUNK "
            "(readSize != subChunk.chunkSize) - returning false");
        return error;
    }
    return atom.F64(0) == kVersion ? ProjectReadError::None : ProjectReadError::BadVersion;
}

ProjectReadError LegacySoundRecord::ReadSoundRef(CRIFF& riff) {
    if (!riff.SeekToChunk(kSoundRefCode)) {
        Log("CAudioClip::LegacyLoad failed to find FOURCC_LEGACY_SND_REF_CHUNK - returning false");
        return ProjectReadError::ChunkMissing;
    }
    // Any length is taken, but never more than the path field.
    CRecordBytes ref(0);
    const ProjectReadError error = CRecordBytes::ReadChunk(riff, kSoundRefCode, 1, kPathSize, &ref);
    if (error != ProjectReadError::None) {
        Log("CAudioClip::LegacyLoad failed to find correctly sized FOURCC_LEGACY_SND_REF_CHUNK "
            "(readSize != subChunk.chunkSize) - returning false");
        return error;
    }
    path = ref.Text(0, kPathSize);
    return path.empty() ? ProjectReadError::BadValue : ProjectReadError::None;
}

ProjectReadError LegacySoundRecord::ReadSoundData(CRIFF& riff) {
    if (!riff.SeekToChunk(kSoundDataCode)) {
        Log("CAudioClip::LegacyLoad failed to find FOURCC_LEGACY_SOUND_DATA_CHUNK - returning "
            "false");
        return ProjectReadError::ChunkMissing;
    }
    RIFFChunkInfo chunk;
    riff.GetCurrentChunkInfo(nullptr, &chunk);
    CRecordBytes data(0);
    ProjectReadError error =
        chunk.chunkSize > kSoundDataMaximumSize
            ? ProjectReadError::BadValue
            : CRecordBytes::ReadChunk(riff, kSoundDataCode, 0, chunk.chunkSize, &data);
    if (error != ProjectReadError::None)
        Log("CAudioClip::LegacyLoad failed to load FOURCC_LEGACY_SOUND_DATA_CHUNK (readSize != "
            "subChunk.chunkSize) - returning false");
    return error;
}
