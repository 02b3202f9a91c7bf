#pragma once

#include <cstdint>

class CTrack;
class GuiMenu;
class VRGuiWindow;
struct TrackServices;

// The two context menus of a track and the commands they carry out: the
// header's menu, numbered as its string keys "MENUC_TrackMenuItem%d", and
// the lane's menu ("MENUC_TrackBodyMenuItem%d", numbered here from
// kBodyFirst). Commands of parts the program does not have yet (pasting,
// instrument clips) are shown disabled.
class CTrackMenus {
public:
    enum Command : int32_t {
        kDuplicate = 3,
        kMoveUp = 5,
        kMoveDown = 6,
        kChoosePicture = 8,
        kFreeze = 10,
        kDelete = 12,
        kMute = 14,
        kSolo = 15,
        kArm = 16,
        kEffects = 20,
        kSelectClips = 22,
        kHeightMenu = 23,
        kHeightSmall = 24,
        kHeightNormal = 25,
        kHeightLarge = 26,
        kVolumeMenu = 27,
        kExactVolume = 28,
        kVolumeFirst = 30,
        kVolumeLast = 39,
        kPanMenu = 40,
        kExactPan = 41,
        kPanFirst = 43,
        kPanLast = 51,
        kInsertMenu = 52,
        kInsertAudio = 53,
        kInsertMidi = 54,
        kRename = 60,
        kColour = 61,
        // The lane menu: kBodyFirst + the item's number.
        kBodyFirst = 100,
        kBodyUndo = kBodyFirst,
        kBodyRedo,
        kBodyPaste,
        kBodyAddSound,
        kBodyAddInstrumentClip,
        kBodySelectClips,
    };

    CTrackMenus(CTrack& track, TrackServices& services);

    void BuildHeaderMenu(GuiMenu& menu) const;
    void BuildBodyMenu(GuiMenu& menu) const;
    // True for the commands that can be carried out now.
    bool CanHandle(int32_t command) const;
    // Carries out an enabled command; the caller opens the undo step.
    void Handle(int32_t command, VRGuiWindow* dialogOwner);

    static double PresetVolume(int32_t command);
    static double PresetPan(int32_t command);

private:
    void AddCommand(GuiMenu& menu, int32_t command, bool useAltLabel = false) const;
    void AddBodyCommand(GuiMenu& menu, int32_t command) const;
    void BuildValueMenus(GuiMenu& menu) const;
    void AskVolume(VRGuiWindow* owner);
    void AskPan(VRGuiWindow* owner);
    void AskColour(VRGuiWindow* owner);
    // A picture file, copied into the picture folder, becomes the track's.
    void ChoosePicture(VRGuiWindow* owner);
    void SetHeight(int32_t height);
    void MoveBy(int step);

    CTrack& m_track;
    TrackServices& m_services;
};
