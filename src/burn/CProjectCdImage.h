#pragma once

#include "burn/CBurnRender.h"

#include <string>

class CPCMMixer;
class CProject;

// Writes a project as a BIN/CUE disc image (CCdImage) by the road of a burn:
// the CD layout of the whole project, each track rendered to a CD-audio WAV
// file in a temporary folder beside the image, then joined into the BIN.
// The temporary files go in every case.
class CProjectCdImage {
public:
    CProjectCdImage(CProject& project, CPCMMixer& mixer) : m_project(project), m_mixer(mixer) {}

    // False with Error() when the project is too short for a CD, the render
    // fails or is cancelled, or the image cannot be written.
    bool Write(const std::string& cuePath, const CBurnRender::Progress& progress);
    const std::string& Error() const { return m_error; }

private:
    CProject& m_project;
    CPCMMixer& m_mixer;
    std::string m_error;
};
