#pragma once

#include "burn/BurnTrack.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A disc image of an audio CD as a BIN/CUE pair: the BIN holds every track's
// CD audio in raw 2352-byte sectors (16-bit little-endian stereo samples, as
// a CD carries them), each track starting on a sector boundary; the cue
// sheet next to it names the BIN once and places each track with
// "INDEX 01 mm:ss:ff", with the disc's and the tracks' texts for CD-Text.
class CCdImage {
public:
    struct Disc {
        // The disc's UPC/EAN: written only when it is 13 digits.
        std::string catalog;
        std::string title;
        std::string performer;
    };

    // The BIN's path for a cue sheet's: the same name ending in ".bin".
    static std::string BinPathFor(const std::string& cuePath);
    // The cue sheet naming binName; startSectors: where each track begins in the BIN.
    static std::string CueText(const std::string& binName, const Disc& disc,
                               const std::vector<BurnTrack>& tracks,
                               const std::vector<int64_t>& startSectors);
    // An ISRC as a cue sheet takes it (12 letters and digits, the dashes of
    // its printed form dropped); "" when it is not one.
    static std::string CleanIsrc(const std::string& isrc);

    // Joins the tracks' WAV files (44.1 kHz 16-bit stereo) into the BIN, each
    // padded with silence to whole sectors, and writes the cue sheet. Both
    // files appear only complete. False with Error() when a file cannot be
    // read or written.
    bool Write(const std::string& cuePath, const Disc& disc, const std::vector<BurnTrack>& tracks);
    const std::string& Error() const { return m_error; }

private:
    // Appends one track's sectors to the open BIN; the sectors written go to sectors.
    bool AppendTrack(const std::string& wavPath, std::FILE* bin, int64_t& sectors);

    std::string m_error;
};
