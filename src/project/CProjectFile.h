#pragma once

#include "engine/TempoEvent.h"
#include "project/ProjectFileContents.h"
#include "project/ProjectReadError.h"
#include "project/SaveLoad.h"
#include "support/FourCC.h"

#include <cstddef>
#include <string>

class CFileObj;

// Writes and reads a project file (RIFF form "LTC3") from and into a
// ProjectFileContents: "PROJ", the master "EfxL", "Mark", then each track in
// display order ("TrkA"/"TrkM", its chains, its clip chunks). Also reads
// legacy sessions (form "sess") into the same contents.
//
// Reading never trusts a count beyond what the file really holds: a track
// that cannot be read, or that the file announces but does not contain, is
// counted in skippedTracks and the load goes on (a partial load); the
// project record, master chain and markers must all be readable. A file cut
// short (its form runs past its end) is read as far as it holds, which is a
// partial load too. A
// cancellation seen at any step fails the whole load or save. The contents
// change only when a load succeeds.
class CProjectFile : public SaveLoad {
public:
    static constexpr FourCC kFormType = MakeFourCC("LTC3");
    static constexpr FourCC kLegacyFormType = MakeFourCC("sess");
    static constexpr FourCC kMasterChainCode = MakeFourCC("EfxL");

    explicit CProjectFile(ProjectFileContents& contents) : m_contents(contents) {}

    // Writes every chunk of the contents in file order.
    bool Save(CRIFF& riff) override;
    // Reads a form "LTC3" from the reader's first chunk on.
    bool Load(CRIFF& riff) override;
    // Reads a form "sess".
    bool LegacyLoad(CRIFF& riff) override;

    // Saves the whole file through CSafeFileSave: the file at path changes
    // only when everything was written, and its old contents become
    // "<path>.backup".
    bool SaveToFile(const std::string& path);
    // Reads a project or legacy session, whichever the form type says.
    bool LoadFromFile(const std::string& path);
    bool LoadFromMemory(const void* data, size_t size);

    // Why the last load failed; None after a success.
    ProjectReadError LastError() const { return m_lastError; }

    // The tempo event a legacy session's first marker takes (the program's
    // default tempo, key and time signature).
    void SetLegacyStartEvent(const TempoEvent& event) { m_legacyStartEvent = event; }

private:
    bool LoadOpenedFile(CFileObj* file);
    bool Fail(ProjectReadError error);
    bool WriteTracks(CRIFF& riff);
    ProjectReadError ReadTracks(CRIFF& riff, ProjectFileContents& read);
    bool SeekNextTrackChunk(CRIFF& riff);

    ProjectFileContents& m_contents;
    ProjectReadError m_lastError = ProjectReadError::None;
    TempoEvent m_legacyStartEvent;
};
