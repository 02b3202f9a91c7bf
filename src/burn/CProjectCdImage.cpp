#include "burn/CProjectCdImage.h"

#include "burn/CBurnLayout.h"
#include "burn/CCdImage.h"
#include "burn/CCueSheet.h"
#include "project/CProject.h"
#include "support/Paths.h"

#include <cstdlib>
#include <unistd.h>

bool CProjectCdImage::Write(const std::string& cuePath, const CBurnRender::Progress& progress) {
    m_error.clear();
    CBurnLayout layout;
    CBurnLayout::Request request;
    request.markers = CBurnLayout::MarkersOf(m_project.Markers(), m_project.GetTempoMap());
    request.projectEndMs = CBurnLayout::ProjectEndOf(m_mixer);
    layout.PrepareBurn(request);
    if (layout.TooShort()) {
        m_error = "the project is shorter than the 4 seconds of a CD track";
        return false;
    }
    // The track files go beside the image, where its space is needed anyway.
    std::string folder = ExtractDirectory(cuePath) + ".loomtone-cd-XXXXXX";
    if (!mkdtemp(folder.data())) {
        m_error = "cannot make a temporary folder beside " + cuePath;
        return false;
    }
    bool written = false;
    {
        CBurnRender render(m_mixer, folder);
        if (!render.RenderTracks(layout.RangeStart(), layout.Tracks(), progress)) {
            m_error = render.WasCancelled() ? "cancelled" : render.Error();
        } else {
            const ProjectAuthoring& authoring = m_project.Authoring();
            const CCdImage::Disc disc{
                "", CCueSheet::AlbumTitle(authoring.album, m_project.GetProjectFilePath()),
                authoring.author};
            CCdImage image;
            written = image.Write(cuePath, disc, layout.Tracks());
            if (!written)
                m_error = image.Error();
        }
    }
    rmdir(folder.c_str());
    return written;
}
