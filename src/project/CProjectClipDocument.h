#pragma once

#include "project/CMissingSounds.h"
#include "project/CSelectedClipCommands.h"
#include "project/CSoundTransfer.h"
#include "project/ClipDocument.h"
#include "project/MissingSoundFolders.h"
#include "support/CStringList.h"

#include <memory>
#include <optional>
#include <string>

class CProject;

// The project as its clips see it: the undo manager and mixer, the tracks
// that clips are placed on, the file being loaded or saved (sound paths are
// resolved against it and made relative to it), the missing-sound search and
// the copying of sounds during a save with its sounds.
class CProjectClipDocument : public ClipDocument {
public:
    CProjectClipDocument(CProject& project, CPCMMixer& mixer, CUndoMgr& undo);

    CUndoMgr& ClipUndo() override { return m_undo; }
    CPCMMixer& ClipMixer() override { return m_mixer; }
    bool PlaceClip(CClip& clip, int32_t trackIndex, double positionMs) override;
    bool RemoveClip(CClip& clip) override;
    int32_t EngineTrackNumber(int32_t trackIndex) const override;
    bool AutoBeatMatch() const override;
    const std::string& ProjectFilePath() const override;
    std::optional<std::string> FindMissingSound(const std::string& path) override;
    CSoundTransfer* SoundTransfer() override { return m_transfer.get(); }
    void RecordTrackAreaLayOut() override;
    double SnapTime(double ms) const override;
    double MsPerPixel() const override;
    void SetCaretTime(double ms) override;
    std::optional<TimeRange> TimeSelection() const override;
    int32_t ShownEnvelopeType() const override;
    bool ShowsDecibels() const override;
    // Mute, Lock, Loop to Trim, Trim Silence and Normalize act on every
    // selected clip.
    bool HandlesClipCommand(int32_t index) const override;
    void DoClipCommand(CClip& clip, int32_t index) override;
    double TempoAt(double ms) const override;
    int32_t KeyAt(double ms) const override;

    // The file a load or save works on; empty afterwards, when the project's
    // own file counts again.
    void SetFileInUse(const std::string& path) { m_fileInUse = path; }
    // Starts the copying of sounds into the folder of a save; none ends it.
    void SetSoundTransfer(std::unique_ptr<CSoundTransfer> transfer) {
        m_transfer = std::move(transfer);
    }
    // The folders the missing-sound search looks in; until given, an empty
    // list of the project's own.
    void SetMissingSoundFolders(MissingSoundFolders folders);
    CMissingSounds& MissingSounds() { return *m_missingSounds; }

private:
    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    CSelectedClipCommands m_selectedCommands{m_project, m_undo};
    std::string m_fileInUse;
    std::unique_ptr<CSoundTransfer> m_transfer;
    CStringList m_ownFolders;
    bool m_ownAutoAddFolders = false;
    std::unique_ptr<CMissingSounds> m_missingSounds;
};
