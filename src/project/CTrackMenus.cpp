#include "project/CTrackMenus.h"

#include "gui/CColorChooserDialog.h"
#include "gui/CFileDialog.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiMenu.h"
#include "gui/VRGuiImage.h"
#include "project/CAllTracks.h"
#include "project/CTrack.h"
#include "project/CTrackDuplicate.h"
#include "project/CTrackFreeze.h"
#include "project/CTrackHeader.h"
#include "project/ProjectNotifications.h"
#include "project/TrackServices.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <cmath>
#include <string>

namespace {

std::string HeaderLabel(int32_t command, bool alt) {
    return MyLoadString("MENUC_TrackMenuItem" + std::to_string(command) + (alt ? "Alt" : ""));
}

std::string BodyLabel(int32_t command) {
    return MyLoadString("MENUC_TrackBodyMenuItem" +
                        std::to_string(command - CTrackMenus::kBodyFirst));
}

} // namespace

CTrackMenus::CTrackMenus(CTrack& track, TrackServices& services)
    : m_track(track), m_services(services) {}

double CTrackMenus::PresetVolume(int32_t command) {
    return 0.2 * (command - kVolumeFirst + 1);
}

double CTrackMenus::PresetPan(int32_t command) {
    return -1.0 + 0.25 * (command - kPanFirst);
}

void CTrackMenus::AddCommand(GuiMenu& menu, int32_t command, bool useAltLabel) const {
    menu.AddItem(command, HeaderLabel(command, useAltLabel));
    menu.Enable(command, CanHandle(command));
}

void CTrackMenus::AddBodyCommand(GuiMenu& menu, int32_t command) const {
    menu.AddItem(command, BodyLabel(command));
    menu.Enable(command, CanHandle(command));
}

void CTrackMenus::BuildHeaderMenu(GuiMenu& menu) const {
    AddCommand(menu, kDuplicate);
    menu.AddSeparator();
    AddCommand(menu, kMoveUp);
    AddCommand(menu, kMoveDown);
    menu.AddSeparator();
    AddCommand(menu, kRename);
    AddCommand(menu, kColour);
    AddCommand(menu, kChoosePicture);
    AddCommand(menu, kFreeze, m_track.IsFrozen());
    AddCommand(menu, kDelete);
    menu.AddSeparator();
    AddCommand(menu, kMute, m_track.IsMute());
    AddCommand(menu, kSolo, m_track.IsSolo());
    AddCommand(menu, kArm, m_track.IsArmed());
    menu.AddSeparator();
    AddCommand(menu, kEffects);
    AddCommand(menu, kSelectClips);
    BuildValueMenus(menu);
    GuiMenu& insert = menu.AddSubMenu(HeaderLabel(kInsertMenu, false));
    AddCommand(insert, kInsertAudio);
    AddCommand(insert, kInsertMidi);
}

void CTrackMenus::BuildValueMenus(GuiMenu& menu) const {
    GuiMenu& height = menu.AddSubMenu(HeaderLabel(kHeightMenu, false));
    for (int32_t command : {kHeightSmall, kHeightNormal, kHeightLarge})
        AddCommand(height, command);
    GuiMenu& volume = menu.AddSubMenu(HeaderLabel(kVolumeMenu, false));
    AddCommand(volume, kExactVolume);
    volume.AddSeparator();
    for (int32_t command = kVolumeFirst; command <= kVolumeLast; ++command) {
        AddCommand(volume, command);
        volume.Check(command, std::fabs(m_track.GetVolume() - PresetVolume(command)) < 1e-6);
    }
    GuiMenu& pan = menu.AddSubMenu(HeaderLabel(kPanMenu, false));
    AddCommand(pan, kExactPan);
    pan.AddSeparator();
    for (int32_t command = kPanFirst; command <= kPanLast; ++command) {
        AddCommand(pan, command);
        pan.Check(command, std::fabs(m_track.GetPan() - PresetPan(command)) < 1e-6);
    }
}

void CTrackMenus::BuildBodyMenu(GuiMenu& menu) const {
    AddBodyCommand(menu, kBodyUndo);
    AddBodyCommand(menu, kBodyRedo);
    menu.AddSeparator();
    AddBodyCommand(menu, kBodyPaste);
    AddBodyCommand(menu,
                   m_track.GetKind() == CTrack::kMidi ? kBodyAddInstrumentClip : kBodyAddSound);
    AddBodyCommand(menu, kBodySelectClips);
}

bool CTrackMenus::CanHandle(int32_t command) const {
    const CAllTracks* list = m_services.trackList;
    const int index = m_track.GetIndex();
    switch (command) {
    case kDuplicate:
        return m_track.IsSelected() && m_services.duplicateSelectedTrack &&
               CTrackDuplicate::CanDuplicate(&m_track);
    case kFreeze:
        return m_track.IsSelected() && m_services.freezeOrThawSelectedTrack &&
               CTrackFreeze::CanFreezeOrThaw(&m_track);
    case kMoveUp:
        return list && m_track.IsSelected() && index > 0;
    case kMoveDown:
        return list && m_track.IsSelected() && index >= 0 && index < list->Count() - 1;
    case kDelete:
        return static_cast<bool>(m_services.deleteSelectedTrack);
    case kInsertAudio:
    case kInsertMidi:
        return static_cast<bool>(m_services.insertTrack);
    case kHeightSmall:
    case kHeightNormal:
    case kHeightLarge:
        return list != nullptr;
    case kMute:
    case kSolo:
    case kArm:
    case kSelectClips:
    case kExactVolume:
    case kExactPan:
    case kBodySelectClips:
    case kChoosePicture:
    case kColour:
    case kEffects:
        return true;
    case kRename:
        return m_track.GetHeader() != nullptr;
    case kBodyUndo:
        return m_services.undo.CanUndo();
    case kBodyRedo:
        return m_services.undo.CanRedo();
    case kBodyAddSound:
        return m_track.GetKind() == CTrack::kAudio;
    default:
        return (command >= kVolumeFirst && command <= kVolumeLast) ||
               (command >= kPanFirst && command <= kPanLast);
    }
}

void CTrackMenus::Handle(int32_t command, VRGuiWindow* dialogOwner) {
    if (!CanHandle(command))
        return;
    switch (command) {
    case kDuplicate:
        return m_services.duplicateSelectedTrack();
    case kFreeze:
        return m_services.freezeOrThawSelectedTrack();
    case kMoveUp:
        return MoveBy(-1);
    case kMoveDown:
        return MoveBy(1);
    case kDelete:
        return m_services.deleteSelectedTrack();
    case kInsertAudio:
    case kInsertMidi:
        return m_services.insertTrack(m_track.GetIndex(), command == kInsertMidi);
    case kMute:
        return m_track.PressHeaderButton(CTrackHeader::kMuteButton);
    case kSolo:
        return m_track.PressHeaderButton(CTrackHeader::kSoloButton);
    case kArm:
        return m_track.PressHeaderButton(CTrackHeader::kArmButton);
    case kEffects:
        return m_track.ShowEffects(false);
    case kSelectClips:
    case kBodySelectClips: {
        TrackClipsSelection selection{m_track.GetIndex(), 0};
        return m_track.SendNotification(kNotifySelectTrackClips, &selection);
    }
    case kHeightSmall:
        return SetHeight(CTrack::kMinHeight);
    case kHeightNormal:
        return SetHeight(CTrack::kNormalHeight);
    case kHeightLarge:
        return SetHeight(CTrack::kMaxHeight);
    case kExactVolume:
        return AskVolume(dialogOwner);
    case kExactPan:
        return AskPan(dialogOwner);
    case kRename:
        return m_track.GetHeader()->BeginRename();
    case kColour:
        return AskColour(dialogOwner);
    case kChoosePicture:
        return ChoosePicture(dialogOwner);
    case kBodyUndo:
        m_services.undo.Undo();
        return;
    case kBodyRedo:
        m_services.undo.Redo();
        return;
    case kBodyAddSound:
        // The project answers the lane's double click with the add-sound command.
        return m_track.SendNotification(kNotifyBodyDoubleClick,
                                        NotificationNumber(m_track.GetIndex()));
    default:
        break;
    }
    if (command >= kVolumeFirst && command <= kVolumeLast)
        m_track.SetVolume(PresetVolume(command), true);
    else
        m_track.SetPan(PresetPan(command), true);
}

void CTrackMenus::MoveBy(int step) {
    const int index = m_track.GetIndex();
    m_services.trackList->Move(index, index + step, true);
}

void CTrackMenus::SetHeight(int32_t height) {
    m_services.trackList->SetHeight(m_track.GetIndex(), height, true);
}

void CTrackMenus::AskVolume(VRGuiWindow* owner) {
    if (!owner)
        return;
    CValueEntryDialog dialog(HeaderLabel(kVolumeMenu, false), MyLoadString("MW_VolumePercent"));
    dialog.SetNumeric(0, CTrackHeader::kMaxVolume * 100.0);
    dialog.SetText(std::to_string(std::lround(m_track.GetVolume() * 100.0)));
    if (dialog.DoModal(owner) == IDOK)
        m_track.SetVolume(dialog.GetValue() / 100.0, true);
}

void CTrackMenus::AskPan(VRGuiWindow* owner) {
    if (!owner)
        return;
    CValueEntryDialog dialog(HeaderLabel(kPanMenu, false), MyLoadString("MW_PanPercent"));
    dialog.SetNumeric(-100, 100);
    dialog.SetText(std::to_string(std::lround(m_track.GetPan() * 100.0)));
    if (dialog.DoModal(owner) == IDOK)
        m_track.SetPan(dialog.GetValue() / 100.0, true);
}

void CTrackMenus::AskColour(VRGuiWindow* owner) {
    if (!owner)
        return;
    CColorChooserDialog dialog(HeaderLabel(kColour, false), m_track.GetColour());
    if (dialog.DoModal(owner) == IDOK)
        m_track.SetColour(dialog.GetColor(), true);
}

void CTrackMenus::ChoosePicture(VRGuiWindow* owner) {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kOpen;
    request.owner = owner;
    request.title = HeaderLabel(kChoosePicture, false);
    request.filter = "Pictures|*.png;*.jpg;*.jpeg";
    std::string file;
    if (!ChooseFile(request, file) || file.empty())
        return;
    const std::string& folder = m_services.prefs.pictureFolder;
    // Without a picture folder the picture is used where it is.
    const std::string cached = folder.empty() ? file : VRGuiImage::CacheImage(file, folder);
    if (cached.empty()) {
        LogFmt("CTrackMenus::ChoosePicture could not take '%s'", file.c_str());
        return;
    }
    m_track.SetImage(cached, true);
}
