#pragma once

// Why reading a project file, or one of its records, did not succeed.
enum class ProjectReadError {
    None,
    NotAProjectFile, // not RIFF, or a form other than "LTC3" and "sess"
    ChunkMissing,    // the chunk is not there, or another chunk stands in its place
    ChunkTooShort,   // shorter than the record's minimum
    ShortRead,       // the body could not be read whole
    BadVersion,      // a version this program does not read
    CountDoesNotFit, // a count announces more entries than the chunk holds
    BadValue,        // a field holds a value that would harm the program
    EffectChainRefused,
    Cancelled, // the user cancelled the load
};

// A short English description for log lines and test messages.
const char* ProjectReadErrorText(ProjectReadError error);
