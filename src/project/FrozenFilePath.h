#pragma once

#include <string>

// Names of the sound files a track is frozen into. They live in the
// project's recording folder and are named
// "frozen-track<NN> <day>-<month>-<year>-ID<number>.WAV".

// The frozen file of a track (number from 1) made on that date with that
// freeze number, in the recording folder (which ends in a separator).
std::string MakeFrozenFilePath(const std::string& recordingFolder, int trackNumber, int day,
                               int month, int year, int freezeId);

// True only when the path names a frozen file of this program's naming
// directly inside the recording folder. A path read from a project file names
// a file the program may later replace or delete, so anything else (another
// folder, "..", another name) is refused. Both paths must be absolute.
bool IsOwnFrozenFilePath(const std::string& path, const std::string& recordingFolder);
