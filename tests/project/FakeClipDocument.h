#pragma once

#include "engine/CAudioAtom.h"
#include "engine/CPCMMixer.h"
#include "project/CClip.h"
#include "project/CSoundTransfer.h"
#include "project/ClipDocument.h"
#include "support/CUndoMgr.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A document of numbered tracks for clip tests: it places clips on the first
// four tracks only, and remembers where clips went and which sounds were
// asked for.
struct FakeClipDocument : ClipDocument {
    CUndoMgr undo{400};
    CPCMMixer mixer;
    std::string projectPath;
    std::optional<std::string> missingAnswer;
    std::vector<std::string> missingAsked;
    std::unique_ptr<CSoundTransfer> transfer;
    int placed = 0;
    int removed = 0;
    int32_t lastTrack = -1;
    std::optional<double> caretTime;

    CUndoMgr& ClipUndo() override { return undo; }
    CPCMMixer& ClipMixer() override { return mixer; }
    bool PlaceClip(CClip& clip, int32_t trackIndex, double positionMs) override {
        if (CAudioAtom* atom = clip.GetEngineAtom())
            atom->SetAbsoluteOffset(positionMs);
        lastTrack = trackIndex;
        ++placed;
        return trackIndex < 4;
    }
    bool RemoveClip(CClip&) override {
        ++removed;
        return true;
    }
    // Engine numbers differ from the indexes, so that a mix-up shows.
    int32_t EngineTrackNumber(int32_t trackIndex) const override { return trackIndex + 10; }
    const std::string& ProjectFilePath() const override { return projectPath; }
    std::optional<std::string> FindMissingSound(const std::string& path) override {
        missingAsked.push_back(path);
        return missingAnswer;
    }
    CSoundTransfer* SoundTransfer() override { return transfer.get(); }
    void SetCaretTime(double ms) override { caretTime = ms; }
};
