#pragma once

#include "gui/GuiRect.h"
#include "project/RawChunk.h"
#include "project/SaveLoad.h"
#include "project/TrackFileContents.h"
#include "project/TrackServices.h"
#include "project/TrackSettings.h"
#include "support/CRefObj.h"
#include "support/Observable.h"
#include "support/Observer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CClip;
class CEffectChain;
class CTrackBody;
class CTrackHeader;
class VRGuiWindow;
struct GuiSliderChange;
struct TrackReorderDrag;

// One lane of the project: its settings, its header and body objects, and
// (in the derived classes) the engine track that mixes its sounds. Tracks
// are shared with undo records: the track list holds one reference, each
// record that names the track another.
//
// The track holds its clips in timeline order, one reference on each; their
// sounds play in the engine's sound group under the track's engine track
// number.
class CTrack : public Observer, public Observable, public CRefObj, public SaveLoad {
public:
    enum Kind : int32_t { kAudio = 0, kMidi = 1 };
    static constexpr int32_t kMinHeight = 30;
    static constexpr int32_t kNormalHeight = 70;
    static constexpr int32_t kMaxHeight = 255;
    // Headers and bodies lie at kZOrder, a header dragged up or down and its
    // body above the others.
    static constexpr int32_t kZOrder = 201;
    static constexpr int32_t kDraggedZOrder = 202;

    explicit CTrack(TrackServices& services, Kind kind);

    void OnNotification(int message, void* parameter) override;

    // Sets the defaults of the track's kind.
    virtual void Init() = 0;
    // Obtains the engine track; true when the track has one afterwards.
    virtual bool CreateEngineTrack() = 0;
    virtual bool HasEngineTrack() const = 0;
    // Takes the track out of the engine. Its engine state is kept, so that a
    // track put back by undo sounds as it did.
    virtual void RemoveFromEngine() = 0;
    virtual void CreateControls();

    virtual TrackSettings GetSettings() const = 0;
    // Brings the track to the settings (loading, undo and redo).
    virtual void ApplySettings(const TrackSettings& settings) = 0;
    void BeginSettingsChange();
    // Records an undo step of the change since BeginSettingsChange, when
    // there was one.
    void EndSettingsChange();

    virtual bool IsSolo() const = 0;
    virtual void ToggleSolo() = 0;
    virtual bool IsMute() const = 0;
    virtual void ToggleMute() = 0;
    virtual bool IsArmed() const = 0;
    virtual void ToggleArm() = 0;
    virtual double GetVolume() const = 0;
    virtual void SetVolume(double volume, bool undo) = 0;
    virtual double GetPan() const = 0;
    virtual void SetPan(double pan, bool undo) = 0;
    virtual CEffectChain* GetEffectChain() const = 0;

    // What a press of a header button does (CTrackHeader::Button), as one
    // undo step; the track becomes the selected one.
    void PressHeaderButton(int32_t button);
    // Asks the effect chain view to show the track's effects; with toggle
    // it hides them when they are showing.
    void ShowEffects(bool toggle);
    // The input menu at a window point; a chosen input arms the track.
    virtual void ShowArmMenu(GuiPoint) {}
    // The context menus at a window point; a chosen command is carried out.
    void ShowHeaderMenu(GuiPoint at);
    void ShowBodyMenu(GuiPoint at);
    // The menu commands (CTrackMenus::Command); each is its own undo step.
    bool CanHandleCommand(int32_t command);
    void HandleCommand(int32_t command);
    // Makes the header's controls show the track's state.
    void UpdateHeaderControls();

    // The track's records, chains and clip chunks for a project file. A
    // template holds neither clips nor the frozen state.
    virtual TrackFileContents MakeFileContents(bool asTemplate) const = 0;
    // Takes over what a project file holds for the track. False when the
    // chains cannot be taken over.
    virtual bool ApplyFileContents(TrackFileContents& contents) = 0;

    bool Save(CRIFF& riff) override;
    bool Load(CRIFF& riff) override;
    void SetTemplateSave(bool asTemplate) { m_templateSave = asTemplate; }

    Kind GetKind() const { return m_kind; }
    int32_t GetIndex() const { return m_index; }
    void SetIndex(int32_t index) { m_index = index; }

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name, bool undo);
    const std::string& GetImage() const { return m_imageName; }
    void SetImage(const std::string& name, bool undo);
    uint32_t GetColour() const { return m_colour; }
    void SetColour(uint32_t colour, bool undo);

    bool IsSelected() const { return m_selected; }
    void SetSelected(bool selected);
    int32_t GetHeight() const { return m_height; }
    // Limited to kMinHeight..kMaxHeight.
    void SetHeight(int32_t height);
    // Places header and body at the same height of the track area.
    void MoveTo(int32_t y);

    bool IsFrozen() const { return m_frozen; }
    const std::string& GetFrozenFilePath() const { return m_frozenFilePath; }

    // True while another track is soloed and this one is not, so that it is
    // not heard; its header shows that.
    bool IsSilencedBySolo() const { return m_silencedBySolo; }
    void SetSilencedBySolo(bool silenced) { m_silencedBySolo = silenced; }

    CTrackHeader* GetHeader() const { return m_header.get(); }
    CTrackBody* GetBody() const { return m_body.get(); }

    // The clips by start time.
    const std::vector<CClip*>& Clips() const { return m_clips; }
    // Puts the clip (of the track's kind, with a sound) on the track at
    // timeMs, taking a reference; its sound joins the engine's sound group
    // there. False when refused.
    bool AddClip(CClip* clip, double timeMs, bool undo);
    // Takes the clip and its sound off the track; the clip lives on while
    // others (undo records) hold it.
    bool RemoveClip(CClip* clip, bool undo);
    void RemoveAllClips();
    // Puts every clip of the track at its place and width on the body, for
    // the current scale.
    void LayoutClips();
    // Lays overlapping clips out in their stacking order: a clip over another
    // starts below the other's title strip.
    void StackClips();
    // Places one clip on the body (again), taking it from wherever it floats.
    void ShowClip(CClip* clip);

protected:
    ~CTrack() override;

    TrackServices& Services() const { return m_services; }
    // The common part of GetSettings and ApplySettings.
    void FillCommonSettings(TrackSettings& settings) const;
    void ApplyCommonSettings(const TrackSettings& settings);
    void SetFrozenFilePath(const std::string& path) { m_frozenFilePath = path; }
    void SetFrozenFlag(bool frozen) { m_frozen = frozen; }
    // The clips' chunks in file order (the last clip first), after the
    // chunks that belong to no clip. False when a clip cannot be written.
    bool MakeClipChunks(std::vector<RawChunk>* chunks) const;
    // Reads the clips of a file's clip chunks onto the track; a clip that
    // cannot be read is dropped. False when the user cancelled.
    bool TakeClipChunks(const std::vector<RawChunk>& chunks);
    bool IsTemplateSave() const { return m_templateSave; }
    // The window the header (or else the body) lies in; null while neither does.
    VRGuiWindow* Window() const;

private:
    // Unless the track is selected, asks the project to select it.
    void Select();
    // Under the header's input button, where its menu opens.
    GuiPoint InputMenuPoint() const;
    void OnVolumeSlider(const GuiSliderChange& change);
    void OnReorderDrag(const TrackReorderDrag& drag);
    void RunMenu(GuiPoint at, bool header);
    // The name edited in place, as one undo step.
    void Rename(const std::string& name);
    // The header shows the picture and the colour of the track.
    void ShowLooks();
    // The picture file of the image name: as it is when it names a folder,
    // else in the picture folder.
    std::string PicturePath() const;

    TrackServices& m_services;
    const Kind m_kind;
    int32_t m_index = -1;
    std::string m_name;
    std::string m_imageName;
    uint32_t m_colour = 0;
    bool m_selected = false;
    bool m_frozen = false;
    std::string m_frozenFilePath;
    int32_t m_height = kNormalHeight;
    bool m_silencedBySolo = false;
    bool m_templateSave = false;
    std::unique_ptr<CTrackHeader> m_header;
    std::unique_ptr<CTrackBody> m_body;
    TrackSettings m_settingsBefore;
    bool m_settingsChanging = false;
    // The header's y when it began to be dragged up or down.
    int32_t m_reorderStartY = 0;
    std::vector<CClip*> m_clips;
    // Chunks of the file that belong to no clip, written back as they were.
    std::vector<RawChunk> m_strayChunks;
};
