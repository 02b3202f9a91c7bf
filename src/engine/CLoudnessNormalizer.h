#pragma once

#include "engine/FormatDetails.h"

#include <functional>
#include <string>
#include <vector>

// Brings rendered float WAV files to a loudness target. Measure reads them as
// one programme (EBU R128 integrated loudness and true peak, so the CD tracks
// of one mix-down keep their balance); Write then encodes each into its final
// file and format with one gain: the one that reaches the target loudness,
// lowered where needed so that the true peak stays under the ceiling.
// Silence is left as it is. GUI thread.
class CLoudnessNormalizer {
public:
    static constexpr double kDefaultLufs = -14.0;
    static constexpr double kDefaultTruePeakDb = -1.0;
    // Answers false to stop; called with the finished fraction of the step.
    using Progress = std::function<bool(double fraction)>;

    CLoudnessNormalizer(double targetLufs, double ceilingDb)
        : m_targetLufs(targetLufs), m_ceilingDb(ceilingDb) {}

    // False, with Error() saying why, when a file cannot be read or the
    // progress said stop.
    bool Measure(const std::vector<std::string>& files, const Progress& progress);
    // The programme's integrated loudness in LUFS (minus infinity for silence)
    // and its true peak in dBTP, as measured.
    double IntegratedLufs() const { return m_integratedLufs; }
    double TruePeakDb() const { return m_truePeakDb; }
    // The gain Write applies, in dB.
    double GainDb() const;

    // Encodes the source into the target in that format, with the gain. The
    // target is replaced only by a complete file. False, with Error(), when
    // reading or encoding fails or the progress said stop.
    bool Write(const std::string& source, const std::string& target, const FormatDetails& details,
               const Progress& progress);

    const std::string& Error() const { return m_error; }

private:
    double m_targetLufs;
    double m_ceilingDb;
    double m_integratedLufs = 0.0;
    double m_truePeakDb = 0.0;
    bool m_silent = true;
    std::string m_error;
};
