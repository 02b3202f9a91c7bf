#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CClip;
class CPCMMixer;
class CSoundTransfer;
class CUndoMgr;

// Part of the timeline, in milliseconds.
struct TimeRange {
    double startMs = 0.0;
    double endMs = 0.0;
};

// What a clip needs of the document it lives in: the undo manager its
// changes go to, the mixer whose lock guards what the engine plays, and the
// placing of clips on tracks, which undo and redo use to put a clip back.
class ClipDocument {
public:
    virtual ~ClipDocument() = default;

    virtual CUndoMgr& ClipUndo() = 0;
    virtual CPCMMixer& ClipMixer() = 0;
    // Puts the clip on the track of that index at the position, taking it
    // from the track it is on. False when there is no such track.
    virtual bool PlaceClip(CClip& clip, int32_t trackIndex, double positionMs) = 0;
    // Takes the clip off its track; it lives on while others hold it.
    virtual bool RemoveClip(CClip& clip) = 0;
    // The engine track number of the track of that index, -1 without one.
    virtual int32_t EngineTrackNumber(int32_t trackIndex) const = 0;
    // The project's automatic beat matching setting.
    virtual bool AutoBeatMatch() const { return false; }
    // The project file being loaded or saved, for relative sound paths.
    virtual const std::string& ProjectFilePath() const = 0;
    // Where a sound that none of a clip's own lookups found is now: the
    // missing-sound search, which may ask the user.
    virtual std::optional<std::string> FindMissingSound(const std::string& path) = 0;
    // The file of a sound library entry; none without a library.
    virtual std::optional<std::string> SoundLibraryFile(int32_t) { return std::nullopt; }
    // The copying of sounds into the project folder during a save "with its
    // sounds"; null for any other save.
    virtual CSoundTransfer* SoundTransfer() { return nullptr; }

    // Files a request to lay the track area out again into the open undo
    // set; a document without a track area has nothing to lay out.
    virtual void RecordTrackAreaLayOut() {}

    // Edge drags snap to the time grid through this; unsnapped by default.
    virtual double SnapTime(double ms) const { return ms; }
    // The zoom level: milliseconds of timeline per pixel.
    virtual double MsPerPixel() const { return kDefaultMsPerPixel; }
    // The active time selection on the timeline in heard milliseconds, which
    // the envelope functions keep to; none by default.
    virtual std::optional<TimeRange> TimeSelection() const { return std::nullopt; }
    // A context menu moves the caret to where it was opened.
    virtual void SetCaretTime(double) {}
    // Whether the document carries out a clip menu command itself (acting on
    // all selected clips); the clip does the commands it can on itself
    // otherwise.
    virtual bool HandlesClipCommand(int32_t) const { return false; }
    virtual void DoClipCommand(CClip&, int32_t) {}

    // The project's tempo (bpm) and key (an index of the key table) at a
    // time, which clips that follow the tempo and key maps adjust to; 0 and
    // -1 when the project has none.
    virtual double TempoAt(double) const { return 0.0; }
    virtual int32_t KeyAt(double) const { return -1; }

    // The envelope type every clip shows and edits (0 volume ... 5
    // high-pass resonance), and whether volumes read in decibels.
    virtual int32_t ShownEnvelopeType() const { return 0; }
    virtual bool ShowsDecibels() const { return false; }

    static constexpr double kDefaultMsPerPixel = 10.0;
};
