#pragma once

#include <string>

// The sound the search is looking for.
struct MissingSoundRequest {
    std::string missingPath;
    std::string fileName;
};

// How the user settled a search: take what the scan finds (the dialog gives
// this once the scan has found the file), take a file they browsed to, or
// give up on this sound or on every sound still to come.
enum class MissingSoundChoice { kScanResult, kBrowsed, kSkip, kSkipAll };

struct MissingSoundAnswer {
    MissingSoundChoice choice = MissingSoundChoice::kSkip;
    std::string chosenPath; // with kBrowsed
};
