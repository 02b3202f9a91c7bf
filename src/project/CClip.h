#pragma once

#include "gui/GuiTexturePanel.h"
#include "project/SaveLoad.h"
#include "support/CRefObj.h"
#include "support/Observable.h"
#include "support/Observer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CTrack;
class GuiTextPanel;

enum class ClipKind : int32_t { kAudio = 0, kMidi = 1 };

// Where the pointer is on a clip, which decides what a drag does.
enum HitZone : int32_t {
    kZoneNone = 0,
    kZoneMove = 1,
    kZoneResizeLeft = 2,
    kZoneResizeRight = 3,
    kZoneStretchLeft = 4,
    kZoneStretchRight = 5,
    kZoneSelect = 6,
};

// A clip on a track: at once a document object and the GUI object that shows
// it on the track body. Its timing (position, length, offset, loop, rate,
// mute) lives in the engine object that plays it, the atom, which the derived
// classes own; the clip keeps beside it what the engine does not know: name,
// lock, selection, fades, tempo and key, and the state of a mouse gesture.
//
// The base turns mouse input into the notifications the track area builds
// dragging on (ClipNotifications.h). Clips are reference counted: undo
// records and the clipboard keep removed clips alive.
class CClip : public GuiTexturePanel,
              public Observer,
              public Observable,
              public CRefObj,
              public SaveLoad {
public:
    static constexpr int32_t kTitleStripHeight = 14;
    // Below this height a clip has no room for edge zones.
    static constexpr int32_t kMinimumZonedHeight = 12;
    // How far from an edge the resize and stretch zones reach.
    static constexpr int32_t kEdgeZoneWidth = 6;
    static constexpr int32_t kSelectionDragThreshold = 2;
    static constexpr int32_t kDefaultHeight = 70;
    static constexpr size_t kNameSize = 256;

    // The zone of a point (in the clip's coordinates) of a clip of that size.
    static HitZone HitZoneAt(int32_t width, int32_t height, int32_t x, int32_t y, bool ctrl);

    ClipKind GetClipKind() const { return m_clipKind; }

    const std::string& GetName() const { return m_name; }
    // Names are kept to what the project file holds (255 bytes).
    void SetName(const std::string& name, bool undoable);
    const std::string& GetLabelText() const;
    // The label: the name, then the localized words for locked and muted.
    virtual void UpdateLabel();

    bool IsSelected() const { return m_selected; }
    void SetSelected(bool selected);
    bool IsLocked() const { return m_locked; }
    virtual void SetLocked(bool locked, bool undoable);
    bool IsRecording() const { return m_recording; }
    virtual void SetRecording(bool recording);
    bool IsHot() const { return m_hot; }
    virtual void SetHot(bool hot);
    bool IsFrozen() const { return m_frozen; }
    virtual void Freeze();
    virtual void Thaw();
    void SetTrackActive(bool active);
    virtual void UpdateAppearance();

    int32_t GetSoundId() const { return m_soundId; }
    void SetSoundId(int32_t id) { m_soundId = id; }
    int32_t GetFadeInMs() const { return m_fadeInMs; }
    int32_t GetFadeOutMs() const { return m_fadeOutMs; }
    virtual void SetFadeInMs(int32_t ms);
    virtual void SetFadeOutMs(int32_t ms);
    virtual int32_t GetBeatOffset() const { return m_beatOffsetMs; }
    virtual void SetBeatOffset(int32_t ms, bool undoable);
    int32_t GetKeyRoot() const { return m_keyRoot; }

    // The atom's timing, in milliseconds.
    virtual double GetStartMs() const = 0;
    virtual double GetLengthMs() const = 0;
    virtual double GetOffsetMs() const { return 0.0; }
    virtual bool IsMuted() const = 0;
    virtual void SetMuted(bool muted, bool undoable) = 0;

    // The undoable-change protocol: BeginChange snapshots the clip,
    // EndChange records an undo step when the clip really changed.
    virtual void BeginChange() = 0;
    virtual void EndChange() = 0;
    int32_t GetEnvelopeShiftMs() const { return m_envelopeShiftMs; }

    // The owning track, set by the track that holds the clip; its index
    // travels with clicks and undo snapshots (0 without a track).
    void SetTrack(CTrack* track) { m_track = track; }
    CTrack* GetTrack() const { return m_track; }
    int32_t GetTrackIndex() const;

    // Called when a press on a selected clip without Shift or Ctrl makes it
    // the project's current clip.
    void SetMakeCurrentHandler(std::function<void(CClip*)> handler) {
        m_makeCurrent = std::move(handler);
    }

    HitZone GetHitZone() const { return m_hitZone; }
    int32_t GetDragState() const { return m_dragState; }
    int32_t GetStartAtPress() const { return m_startAtPress; }
    int32_t GetLengthAtPress() const { return m_lengthAtPress; }

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    void SetSize(int32_t width, int32_t height) override;
    void OnNotification(int message, void* parameter) override;

protected:
    explicit CClip(ClipKind kind);
    ~CClip() override;

    // Copies the base fields of another clip (copy constructors).
    void CopyBaseFields(const CClip& other);
    void SetNameField(const std::string& name);
    void SetLockedField(bool locked) { m_locked = locked; }
    void SetBeatOffsetField(int32_t ms) { m_beatOffsetMs = ms; }
    void SetKeyRoot(int32_t key) { m_keyRoot = key; }
    void SetEnvelopeShiftMs(int32_t ms) { m_envelopeShiftMs = ms; }
    // Tells observers the selection a snapshot restored.
    void SendSelection(bool selected);

private:
    void ApplyLook(bool muted);
    void OnLeftDown(GuiPoint p, uint32_t keys);
    void OnDrag(GuiPoint p, uint32_t keys);
    void OnLeftUp(GuiPoint p);
    GuiPoint ToTimeline(GuiPoint p) const;

    const ClipKind m_clipKind;
    std::string m_name;
    int32_t m_beatOffsetMs = 0;
    int32_t m_fadeInMs = 0;
    int32_t m_fadeOutMs = 0;
    bool m_locked = false;
    int32_t m_soundId = 0;
    int32_t m_keyRoot = 0;
    bool m_selected = false;
    bool m_recording = false;
    bool m_hot = false;
    bool m_trackActive = true;
    bool m_frozen = false;
    std::unique_ptr<GuiTextPanel> m_label;
    HitZone m_hitZone = kZoneNone;
    bool m_pressed = false;
    GuiPoint m_pressPoint{};
    uint32_t m_pressKeys = 0;
    int32_t m_dragState = 0;
    int32_t m_startAtPress = 0;
    int32_t m_lengthAtPress = 0;
    int32_t m_trackAtPress = -1;
    int32_t m_envelopeShiftMs = 0;
    CTrack* m_track = nullptr;
    std::function<void(CClip*)> m_makeCurrent;
};
