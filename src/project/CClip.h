#pragma once

#include "gui/GuiCursor.h"
#include "gui/GuiMenu.h"
#include "gui/GuiTexturePanel.h"
#include "project/CEnvelopeFunctions.h"
#include "project/RawChunk.h"
#include "project/SaveLoad.h"
#include "support/CRefObj.h"
#include "support/Observable.h"
#include "support/Observer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CAudioAtom;
class CEnvelope;
class CGuiEnvelope;
class CTrack;
class ClipDocument;
class CUndoAtom;
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
    // No edge drag makes a clip shorter than this.
    static constexpr double kMinimumLengthMs = 40.0;
    // A stretch plays the material at most this many times faster or slower
    // than at the press.
    static constexpr double kMaximumStretch = 4.0;
    // Context menu items, by index (menu identifiers are index + 1).
    static constexpr int kMenuItemCount = 43;
    static constexpr int kMenuMute = 8;
    static constexpr int kMenuLock = 9;
    static constexpr int kMenuLoopToTrim = 14;
    static constexpr int kMenuTrimSilence = 15;
    static constexpr int kMenuNormalize = 17;
    static constexpr int kMenuResetEnvelope = 23;
    static constexpr int kMenuInvertEnvelope = 24;
    // The fades: fast, medium, slow from here on.
    static constexpr int kMenuFadeInFirst = 26;
    static constexpr int kMenuFadeOutFirst = 30;
    // Boost and reduce: 1, 5, 25 and 50 percent from here on.
    static constexpr int kMenuBoostFirst = 34;
    static constexpr int kMenuReduceFirst = 39;

    // The zone of a point (in the clip's coordinates) of a clip of that size.
    static HitZone HitZoneAt(int32_t width, int32_t height, int32_t x, int32_t y, bool ctrl);
    // The mouse pointer over a zone.
    static GuiCursor CursorFor(HitZone zone);

    // The document the clip belongs to.
    virtual ClipDocument& GetDocument() const = 0;

    // The chunks the clip keeps in a project file (its record, then what
    // follows it); none when it cannot be written. By default the clip's
    // Save runs on a file in memory; a clip that knows its chunks makes them
    // directly, which keeps the autosave of a large project short.
    virtual std::optional<std::vector<RawChunk>> MakeFileChunks();

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
    // The engine's object for the clip's sound, which keeps its place,
    // length and mute state; null before a sound is loaded.
    virtual CAudioAtom* GetEngineAtom() const = 0;
    // Where the clip starts, in reference time (what the file stores); it
    // stays on its beat when the tempo changes.
    virtual double GetStartMs() const;
    // Where the clip starts on the timeline as drawn and heard: its start
    // through the tempo map.
    double GetHeardStartMs() const;
    // Heard milliseconds.
    virtual double GetLengthMs() const;
    virtual double GetOffsetMs() const { return 0.0; }
    virtual bool IsMuted() const;
    virtual void SetMuted(bool muted, bool undoable);
    virtual double GetRate() const = 0;
    // Loops exactly the part of the material the clip shows.
    virtual void SetLoopToTrim() = 0;

    // The edits of the edge drags. ResizeLeft moves the left edge by deltaMs
    // of timeline (the offset into the material with it), ResizeRight sets
    // the length; both keep kMinimumLengthMs. StretchTo plays the material
    // at another rate so that the clip covers startMs to startMs + lengthMs.
    // All of these are heard milliseconds, as the timeline is drawn.
    virtual void ResizeLeft(double deltaMs, bool undoable) = 0;
    void ResizeRight(double lengthMs, bool undoable);
    virtual void StretchTo(double startMs, double lengthMs, double rate) = 0;
    // Sets the length the engine object plays, under the mixer's lock.
    virtual void SetAtomLength(double lengthMs) = 0;

    // The automation envelopes, by type (0 volume to 5 high-pass resonance);
    // null for other types.
    virtual CEnvelope* GetEnvelopeByType(int32_t type) = 0;
    // The envelope shown, edited and worked on by the envelope functions:
    // the document's choice for every clip.
    int32_t GetCurrentEnvelope() const;
    // The editor of the shown envelope, over the clip's body.
    CGuiEnvelope& GetEnvelopeEditor() const { return *m_envelopeEditor; }
    // Records a change of one whole envelope as one undo record, when it
    // changed at all.
    void BeginEnvelopeChange(int32_t type);
    void EndEnvelopeChange();
    // The envelope function and option of a context menu item; false for
    // the other items.
    static bool EnvelopeMenuItem(int index, EnvelopeFunction& function, int32_t& option);
    // Applies an envelope function to the current envelope, within the
    // document's time selection when there is one, else from its first to
    // its last point (the whole clip without points). One undo record when
    // the envelope changed; false for an unknown function or option.
    bool ProcessEnvelope(EnvelopeFunction function, int32_t option);

    // The context menu. Labels come from the string file; an item is shown
    // when the clip kind offers it and the document or the clip can carry it
    // out.
    void ShowContextMenu(int32_t x, int32_t y);
    GuiMenu BuildContextMenu() const;
    virtual bool IsMenuItemAvailable(int index) const;
    // Carries out a menu item as one undo step.
    virtual void DoMenuCommand(int index);

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
    bool GetToolTip(GuiPoint p, std::string& text) override;
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
    void SetLabelText(const std::string& text);
    void SetEnvelopeShiftMs(int32_t ms) { m_envelopeShiftMs = ms; }
    // Tells observers the selection a snapshot restored.
    void SendSelection(bool selected);
    // Files the record of a change of this clip and marks the project
    // changed. A resize or stretch by the mouse is wrapped in requests to lay
    // the track area out, so that it is laid out after the clip whichever
    // way the step is replayed.
    void RecordChange(const CUndoAtom& record);
    // Puts the clip's rectangle where its timing is at the zoom level.
    void FitToTiming();

    // Menu items of the clip's kind (before asking who can carry them out),
    // and the commands the clip carries out on itself.
    virtual bool OffersMenuItem(int index) const;
    virtual bool DoesMenuItemItself(int index) const;
    virtual void DoMenuItemItself(int index);
    virtual std::string MenuLabelKey(int index) const;

private:
    void ApplyLook(bool muted);
    void OnLeftDown(GuiPoint p, uint32_t keys);
    void OnDrag(GuiPoint p, uint32_t keys);
    void OnLeftUp(GuiPoint p);
    void DragEdge(int32_t dx);
    void StretchEdge(double movedMs);
    bool IsEdgeZone() const;
    void ShowCursor(GuiCursor cursor);
    GuiPoint ToTimeline(GuiPoint p) const;
    void AddMenuItem(GuiMenu& menu, int index) const;

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
    std::unique_ptr<CGuiEnvelope> m_envelopeEditor;
    HitZone m_hitZone = kZoneNone;
    bool m_pressed = false;
    GuiPoint m_pressPoint{};
    uint32_t m_pressKeys = 0;
    int32_t m_dragState = 0;
    int32_t m_startAtPress = 0;
    int32_t m_lengthAtPress = 0;
    // The exact timing at the press, heard, which edge drags work from.
    double m_pressStartMs = 0.0;
    double m_pressLengthMs = 0.0;
    double m_pressRate = 1.0;
    // An edge drag of an unlocked clip is under way: one undoable change.
    bool m_edgeDrag = false;
    int32_t m_changingEnvelope = -1;
    std::vector<EnvelopePoint> m_envelopeBefore;
    int32_t m_trackAtPress = -1;
    int32_t m_envelopeShiftMs = 0;
    CTrack* m_track = nullptr;
    std::function<void(CClip*)> m_makeCurrent;
};
