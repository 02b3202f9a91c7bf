#include "app/BurnCommand.h"

#include "app/CPrefs.h"
#include "app/MainCommands.h"
#include "burn/CBurnDialog.h"
#include "burn/CCueSheet.h"
#include "burn/CLibburnBurner.h"
#include "project/CProject.h"
#include "project/CTimeSelection.h"
#include "support/Log.h"
#include "support/Paths.h"

CBurnDialog::Source BurnSourceOf(const CProject& project, CPCMMixer& mixer, const CPrefs& prefs) {
    CBurnDialog::Source source;
    source.request.markers = CBurnLayout::MarkersOf(project.Markers(), project.GetTempoMap());
    source.request.projectEndMs = CBurnLayout::ProjectEndOf(mixer);
    source.albumTitle =
        CCueSheet::AlbumTitle(project.Authoring().album, project.GetProjectFilePath());
    source.performer = project.Authoring().author;
    source.tempFolder = prefs.TempDirM;
    // The dialog offers the time selection only when there is one.
    if (const std::optional<TimeRange> range = project.TimeSelection().Range()) {
        source.hasSelection = true;
        source.request.selectionStartMs = range->startMs;
        source.request.selectionEndMs = range->endMs;
    }
    CreateMultiLevelDir(source.tempFolder);
    return source;
}

bool RunBurnCommand(int32_t command, VRGuiWindow* owner, CProject& project, CPCMMixer& mixer,
                    CPrefs& prefs) {
    if (command != kCmdBurnCD)
        return false;
    Log("CMixBurner - Enter");
    CBurnDialog::Choices choices;
    choices.writerIndex = prefs.lastCDBurnerIndex;
    choices.speed = prefs.burnSpeed;
    choices.testMode = prefs.bTestMode;
    choices.cdText = prefs.bCDText;
    choices.burnAsOne = prefs.bBurnAsOne;
    CLibburnBurner burner;
    {
        CBurnDialog dialog(burner, mixer, BurnSourceOf(project, mixer, prefs), choices);
        dialog.DoModal(owner);
        choices = dialog.GetChoices();
    }
    prefs.lastCDBurnerIndex = choices.writerIndex;
    prefs.burnSpeed = choices.speed;
    prefs.bTestMode = choices.testMode;
    prefs.bCDText = choices.cdText;
    prefs.bBurnAsOne = choices.burnAsOne;
    Log("CMixBurner - Exit");
    return true;
}
