#include "app/MainMenuBuilder.h"

#include "app/MainCommands.h"
#include "gui/GuiMenu.h"
#include "gui/GuiMenuBar.h"
#include "support/LocalizedStrings.h"

#include <array>
#include <string>
#include <utility>

namespace {

// A localized text split into the label and the shortcut shown at its right.
std::pair<std::string, std::string> LabelAndShortcut(const std::string& key) {
    const std::string text = MyLoadString(key);
    const size_t tab = text.find('\t');
    if (tab == std::string::npos)
        return {text, {}};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

void Add(GuiMenu& menu, int32_t command, const std::string& key) {
    const auto [label, shortcut] = LabelAndShortcut(key);
    menu.AddItem(command, label, shortcut);
}

GuiMenu& AddSub(GuiMenu& menu, const std::string& key) {
    return menu.AddSubMenu(LabelAndShortcut(key).first);
}

// "Exact Value..." and the steps of a percentage sub-menu.
void AddPercentages(GuiMenu& menu, const std::string& key, int32_t exactCommand,
                    int32_t firstCommand, int from, int to, int step, int commandOffset) {
    Add(menu, exactCommand, key + ":Exact");
    menu.AddSeparator();
    for (int percent = from; percent <= to; percent += step)
        Add(menu, firstCommand + percent + commandOffset, key + ":" + std::to_string(percent));
}

void BuildFileMenu(GuiMenu& menu, MainMenuLists& lists) {
    Add(menu, kCmdNewProject, "FileMenu:New");
    Add(menu, kCmdOpenProject, "FileMenu:Open");
    Add(menu, kCmdSave, "FileMenu:Save");
    Add(menu, kCmdSaveAs, "FileMenu:SaveAs");
    menu.AddSeparator();
    Add(menu, kCmdTransferProject, "FileMenu:Transfer");
    GuiMenu& mixDown = AddSub(menu, "FileMenu:MixDown");
    Add(mixDown, kCmdMixDownMp3, "FileMenu:MixDown:MP3");
    Add(mixDown, kCmdMixDownOgg, "FileMenu:MixDown:OGG");
    Add(mixDown, kCmdMixDownWma, "FileMenu:MixDown:WMA");
    Add(mixDown, kCmdMixDownWav, "FileMenu:MixDown:WAV");
    Add(menu, kCmdExportMidi, "FileMenu:ExportMidi");
    menu.AddSeparator();
    Add(menu, kCmdBurnCD, "FileMenu:BurnCD");
    Add(menu, kCmdLabelCD, "FileMenu:LabelCD");
    menu.AddSeparator();
    Add(menu, kCmdPreferences, "FileMenu:Preferences");
    menu.AddSeparator();
    lists.recentProjects = &AddSub(menu, "FileMenu:RecentProjects");
    menu.AddSeparator();
    Add(menu, kCmdExit, "FileMenu:Exit");
}

void BuildEditMenu(GuiMenu& menu) {
    Add(menu, kCmdUndo, "EditMenu:Undo");
    Add(menu, kCmdRedo, "EditMenu:Redo");
    menu.AddSeparator();
    Add(menu, kCmdCut, "EditMenu:Cut");
    Add(menu, kCmdCopy, "EditMenu:Copy");
    Add(menu, kCmdPaste, "EditMenu:Paste");
    Add(menu, kCmdDelete, "EditMenu:Delete");
    menu.AddSeparator();
    Add(menu, kCmdSelectAll, "EditMenu:SelectAll");
    menu.AddSeparator();
    Add(menu, kCmdSplit, "EditMenu:Split");
    Add(menu, kCmdJoin, "EditMenu:Join");
}

void BuildMixMenu(GuiMenu& menu, MainMenuLists& lists) {
    Add(menu, kCmdAddSound, "MixMenu:AddSound");
    Add(menu, kCmdAddInstrumentClip, "MixMenu:AddInstrumentClip");
    Add(menu, kCmdLoopLibrary, "MixMenu:LoopLibrary");
    menu.AddSeparator();
    Add(menu, kCmdPlay, "MixMenu:Play");
    Add(menu, kCmdPlayFromPreviousMarker, "MixMenu:PlayFromPreviousMarker");
    Add(menu, kCmdPlayFromNextMarker, "MixMenu:PlayFromNextMarker");
    lists.playFromMarker = &AddSub(menu, "MixMenu:PlayFromMarker");
    Add(menu, kCmdRewindToStart, "MixMenu:RewindToStart");
    Add(menu, kCmdFastForwardToEnd, "MixMenu:FastForwardToEnd");
    Add(menu, kCmdRecord, "MixMenu:Record");
    Add(menu, kCmdRecordingTimer, "MixMenu:RecordingTimer");
    Add(menu, kCmdLoopPlay, "MixMenu:LoopPlay");
    Add(menu, kCmdMetronome, "MixMenu:Metronome");
    menu.AddSeparator();
    AddPercentages(AddSub(menu, "MixMenu:Volume"), "MixMenu:Volume", kCmdMasterVolumeExact,
                   kCmdMasterVolumeFirst, 20, 200, 20, 0);
    Add(menu, kCmdGlobalEffects, "MixMenu:GlobalEffects");
    Add(menu, kCmdProjectSettings, "MixMenu:ProjectSettings");
    Add(menu, kCmdMidiReset, "MixMenu:MIDIReset");
    Add(menu, kCmdFindMissingSounds, "MixMenu:FindMissingSounds");
    menu.AddSeparator();
    Add(menu, kCmdAddTempoKeyChange, "MixMenu:AddTempoKeyChange");
    Add(menu, kCmdAddMarker, "MixMenu:AddMarker");
    Add(menu, kCmdAutoMarkerWizard, "MixMenu:AutoMarkerWizard");
    Add(menu, kCmdDeleteAllMarkers, "MixMenu:DeleteAllMarkers");
    lists.editMarker = &AddSub(menu, "MixMenu:EditMarker");
    menu.AddSeparator();
    Add(menu, kCmdAutoBeatMatch, "MixMenu:AutoBeatMatch");
    Add(menu, kCmdTransposeUp, "MixMenu:TransposeUp");
    Add(menu, kCmdTransposeDown, "MixMenu:TransposeDown");
}

void BuildTrackMenu(GuiMenu& menu) {
    Add(menu, kCmdAddAudioTrack, "TrackMenu:AddAudio");
    Add(menu, kCmdAddInstrumentTrack, "TrackMenu:AddInstrument");
    Add(menu, kCmdInsertAudioTrack, "TrackMenu:InsertAudio");
    Add(menu, kCmdInsertInstrumentTrack, "TrackMenu:InsertInstrument");
    Add(menu, kCmdDuplicateTrack, "TrackMenu:Duplicate");
    menu.AddSeparator();
    Add(menu, kCmdMoveTrackUp, "TrackMenu:MoveUp");
    Add(menu, kCmdMoveTrackDown, "TrackMenu:MoveDown");
    GuiMenu& height = AddSub(menu, "TrackMenu:Height");
    Add(height, kCmdTrackHeightSmall, "TrackMenu:Height:Small");
    Add(height, kCmdTrackHeightNormal, "TrackMenu:Height:Normal");
    Add(height, kCmdTrackHeightLarge, "TrackMenu:Height:Large");
    Add(menu, kCmdChooseTrackImage, "TrackMenu:ChooseImage");
    Add(menu, kCmdFreezeTrack, "TrackMenu:freeze");
    Add(menu, kCmdDeleteTrack, "TrackMenu:Delete");
    menu.AddSeparator();
    Add(menu, kCmdMuteTrack, "TrackMenu:Mute");
    Add(menu, kCmdSoloTrack, "TrackMenu:Solo");
    Add(menu, kCmdArmTrack, "TrackMenu:Arm");
    AddPercentages(AddSub(menu, "TrackMenu:Volume"), "TrackMenu:Volume", kCmdTrackVolumeExact,
                   kCmdTrackVolumeFirst, 20, 200, 20, 0);
    AddPercentages(AddSub(menu, "TrackMenu:Pan"), "TrackMenu:Pan", kCmdTrackPanExact,
                   kCmdTrackPanFirst, -100, 100, 25, 100);
    Add(menu, kCmdTrackEffects, "TrackMenu:Effects");
    menu.AddSeparator();
    Add(menu, kCmdSelectAllSoundsOnTrack, "TrackMenu:SelectAllSounds");
}

void BuildSoundMenu(GuiMenu& menu) {
    Add(menu, kCmdEditLoop, "SoundMenu:EditLoop");
    Add(menu, kCmdSoundAddSound, "SoundMenu:AddSound");
    Add(menu, kCmdSoundAddInstrumentClip, "SoundMenu:AddInstrumentClip");
    Add(menu, kCmdSoundLoopLibrary, "SoundMenu:LoopLibrary");
    menu.AddSeparator();
    Add(menu, kCmdPlaySound, "SoundMenu:Play");
    Add(menu, kCmdMuteSound, "SoundMenu:Mute");
    Add(menu, kCmdLockSound, "SoundMenu:Lock");
    Add(menu, kCmdExternalEditor, "SoundMenu:ExternalEditor");
    menu.AddSeparator();
    Add(menu, kCmdLoopToTrim, "SoundMenu:LoopToTrim");
    Add(menu, kCmdTrimSilence, "SoundMenu:TrimSilence");
    Add(menu, kCmdSoundAutoMarkerWizard, "SoundMenu:AutoMarkerWizard");
    Add(menu, kCmdNormalize, "SoundMenu:Normalize");
    GuiMenu& fadeIn = AddSub(menu, "SoundMenu:FadeIn");
    Add(fadeIn, kCmdFadeInFast, "SoundMenu:FadeIn:Fast");
    Add(fadeIn, kCmdFadeInMedium, "SoundMenu:FadeIn:Medium");
    Add(fadeIn, kCmdFadeInSlow, "SoundMenu:FadeIn:Slow");
    GuiMenu& fadeOut = AddSub(menu, "SoundMenu:FadeOut");
    Add(fadeOut, kCmdFadeOutFast, "SoundMenu:FadeOut:Fast");
    Add(fadeOut, kCmdFadeOutMedium, "SoundMenu:FadeOut:Medium");
    Add(fadeOut, kCmdFadeOutSlow, "SoundMenu:FadeOut:Slow");
    GuiMenu& boost = AddSub(menu, "SoundMenu:Boost");
    Add(boost, kCmdBoost50, "SoundMenu:Boost:50");
    Add(boost, kCmdBoost25, "SoundMenu:Boost:25");
    Add(boost, kCmdBoost5, "SoundMenu:Boost:5");
    Add(boost, kCmdBoost1, "SoundMenu:Boost:1");
    GuiMenu& reduce = AddSub(menu, "SoundMenu:Reduce");
    Add(reduce, kCmdReduce50, "SoundMenu:Reduce:50");
    Add(reduce, kCmdReduce25, "SoundMenu:Reduce:25");
    Add(reduce, kCmdReduce5, "SoundMenu:Reduce:5");
    Add(reduce, kCmdReduce1, "SoundMenu:Reduce:1");
    Add(menu, kCmdResetEnvelope, "SoundMenu:ResetEnvelope");
    Add(menu, kCmdInvertEnvelope, "SoundMenu:InvertEnvelope");
    menu.AddSeparator();
    Add(menu, kCmdSoundSplit, "SoundMenu:Split");
    Add(menu, kCmdSoundJoin, "SoundMenu:Join");
}

// The snap levels in the order of the time grid, 0 (off) to 10.
constexpr std::array<const char*, 11> kSnapKeys = {
    "ViewMenu:Snap:Off",        "ViewMenu:Snap:1/1",        "ViewMenu:Snap:1/2",
    "ViewMenu:Snap:1/4",        "ViewMenu:Snap:1/8",        "ViewMenu:Snap:1/16",
    "ViewMenu:Snap:1/32",       "ViewMenu:Snap:1/64",       "ViewMenu:Snap:1/4Triplet",
    "ViewMenu:Snap:1/8Triplet", "ViewMenu:Snap:1/16Triplet"};

void BuildViewMenu(GuiMenu& menu) {
    GuiMenu& heights = AddSub(menu, "ViewMenu:AllTracksHeight");
    Add(heights, kCmdAllTracksSmall, "ViewMenu:AllTracksHeight:Small");
    Add(heights, kCmdAllTracksNormal, "ViewMenu:AllTracksHeight:Normal");
    Add(heights, kCmdAllTracksLarge, "ViewMenu:AllTracksHeight:Large");
    GuiMenu& timeline = AddSub(menu, "ViewMenu:Timeline");
    Add(timeline, kCmdTimelineBeats, "ViewMenu:Timeline:Beats");
    Add(timeline, kCmdTimelineTime, "ViewMenu:Timeline:Time");
    GuiMenu& snap = AddSub(menu, "ViewMenu:Snap");
    for (size_t level = 0; level < kSnapKeys.size(); ++level)
        Add(snap, kCmdSnapFirst + static_cast<int32_t>(level), kSnapKeys[level]);
    menu.AddSeparator();
    Add(menu, kCmdToggleDetails, "ViewMenu:HideDetails");
    Add(menu, kCmdProjectDetails, "ViewMenu:ProjectDetails");
    Add(menu, kCmdTrackDetails, "ViewMenu:TrackDetails");
    Add(menu, kCmdSoundDetails, "ViewMenu:SoundDetails");
    Add(menu, kCmdViewLoopLibrary, "ViewMenu:LoopLibrary");
    menu.AddSeparator();
    Add(menu, kCmdZoomIn, "ViewMenu:ZoomIn");
    Add(menu, kCmdZoomOut, "ViewMenu:ZoomOut");
    Add(menu, kCmdZoomToProject, "ViewMenu:ZoomToProject");
}

void BuildHelpMenu(GuiMenu& menu) {
    Add(menu, kCmdHelpTopics, "HelpMenu:HelpTopics");
    menu.AddSeparator();
    Add(menu, kCmdDownloadLoops, "HelpMenu:DownloadLoops");
    Add(menu, kCmdDownloadSounds, "HelpMenu:DownloadSounds");
    Add(menu, kCmdDownloadEffects, "HelpMenu:DownloadEffects");
    menu.AddSeparator();
    Add(menu, kCmdAbout, "HelpMenu:About");
}

} // namespace

MainMenuLists BuildMainMenus(GuiMenuBar& bar) {
    MainMenuLists lists;
    BuildFileMenu(bar.AddMenu(MyLoadString("FileMenu")), lists);
    BuildEditMenu(bar.AddMenu(MyLoadString("EditMenu")));
    BuildMixMenu(bar.AddMenu(MyLoadString("MixMenu")), lists);
    BuildTrackMenu(bar.AddMenu(MyLoadString("TrackMenu")));
    BuildSoundMenu(bar.AddMenu(MyLoadString("SoundMenu")));
    BuildViewMenu(bar.AddMenu(MyLoadString("ViewMenu")));
    BuildHelpMenu(bar.AddMenu(MyLoadString("HelpMenu")));
    return lists;
}

void SetLocalizedItem(GuiMenu& menu, int32_t command, const std::string& key) {
    GuiMenu::Item* item = menu.FindItem(command);
    if (!item)
        return;
    auto [label, shortcut] = LabelAndShortcut(key);
    item->label = std::move(label);
    item->shortcut = std::move(shortcut);
}

std::string MenuItemText(const std::string& key) {
    return GuiMenu::DisplayText(LabelAndShortcut(key).first);
}
