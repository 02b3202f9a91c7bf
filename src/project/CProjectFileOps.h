#pragma once

#include "project/CProjectProgress.h"
#include "project/SaveOptions.h"

#include <string>

class CProject;
class CTrack;
struct ProjectFileContents;

// The project's file operations: a new project, loading a project, template,
// legacy session or MIDI file, saving, and saving a copy that leaves the
// document as it was (its file, its changed state, the recent files).
class CProjectFileOps {
public:
    explicit CProjectFileOps(CProject& project) : m_project(project) {}

    void NewProject(bool noDialog);
    // Applies a kind of the new-project dialog (CNewProjectDialog::Kind).
    void ApplyProjectKind(int kind);
    bool LoadProject(const std::string& path, bool& cancelled);
    bool SaveProject(const std::string& path, const SaveOptions& options);
    // Writes the project to path; nothing of the open document changes, and
    // its undo steps stay.
    bool SaveCopy(const std::string& path, const SaveOptions& options);
    int ResolveMissingSounds();
    // Caret, selection and scrolling of a project that was just made or loaded.
    void FinishNewProject();

    // What a save to path would write; the document stays as it is.
    ProjectFileContents RecoveryContents(const std::string& path);

private:
    // Writes the file with the engine held still; the caller decides what
    // the document makes of it.
    bool WriteFile(const std::string& path, const SaveOptions& options);
    void ReportSaveFailure(const std::string& path);
    void RunNewProjectDialog();
    void BeginProgress(CProjectProgress::Mode mode);
    void EndProgress();
    void ReportLoadFailure(const std::string& path, bool cancelled);
    bool ApplyFileContents(ProjectFileContents& contents);
    bool ApplyTracks(ProjectFileContents& contents);
    void ApplyLegacySounds(const ProjectFileContents& contents);
    ProjectFileContents MakeFileContents(const SaveOptions& options) const;
    // Replaces the project with the tracks and markers of a MIDI file.
    bool LoadMidiFile(const std::string& path);

    CProject& m_project;
};
