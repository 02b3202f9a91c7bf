#pragma once

#include "project/CClip.h"
#include "project/ClipChunkFacts.h"
#include "project/RawChunk.h"

#include <cstdint>
#include <string>
#include <vector>

class ClipDocument;

// A clip of a project file that could not be loaded: its sound cannot be
// found or decoded, or its record is damaged. It stands in the clip's place
// so that nothing of the file is lost: shown with its name, its length and
// a mark saying what is wrong, silent, movable and deletable, and written
// back exactly as it was read (only its position is rewritten after a move).
// When its sound turns up it is replaced by the real clip.
//
// It plays nothing: its engine object only holds its place and length on
// the timeline, and the mixer passes over atoms that are not sounds.
class CPlaceholderClip : public CClip {
public:
    enum class Reason { kSoundUnavailable, kRecordDamaged };

    // What undo keeps of a placeholder: where it lies and whether it is
    // selected.
    struct State {
        double position = 0.0;
        int32_t trackIndex = 0;
        bool selected = false;
        bool operator==(const State&) const = default;
    };

    // Takes the clip's chunks as the file held them.
    CPlaceholderClip(ClipDocument& document, std::vector<RawChunk> chunks);

    Reason GetReason() const { return m_reason; }
    // The sound file the record names; empty when not known.
    const std::string& GetSoundPath() const { return m_facts.soundPath; }
    bool IsMidi() const { return m_facts.midi; }
    // Whether the clip's position can be written back after a move; the
    // position of a record too damaged to hold it cannot, and such a clip
    // stays where it is shown.
    bool IsMovable() const { return m_facts.position.has_value(); }
    // The chunks as they are written: as read, with the position rewritten
    // when the clip was moved.
    std::vector<RawChunk> CurrentChunks() const;

    CAudioAtom* GetEngineAtom() const override;
    double GetRate() const override { return 1.0; }
    // A placeholder has no material to trim, stretch or shape.
    void SetLoopToTrim() override {}
    void ResizeLeft(double, bool) override {}
    void StretchTo(double, double, double) override {}
    void SetAtomLength(double) override {}
    CEnvelope* GetEnvelopeByType(int32_t) override { return nullptr; }
    ClipDocument& GetDocument() const override { return m_document; }

    void UpdateLabel() override;
    bool GetToolTip(GuiPoint p, std::string& text) override;
    void OnDraw(const GuiRect& r) override;

    void BeginChange() override;
    void EndChange() override;
    State GetState() const;
    bool RestoreToUndoState(const State& state, int32_t envelopeShiftMs);

    // Writes the chunks as read (the position rewritten after a move).
    bool Save(CRIFF& riff) override;
    // Placeholders are made from chunks, never read.
    bool Load(CRIFF&) override { return false; }

    // The length shown for a clip whose record does not tell it.
    static constexpr double kUnknownLengthMs = 2000.0;
    // Positions and lengths beyond this (a day) are shown there.
    static constexpr double kLongestShownMs = 86400000.0;

protected:
    ~CPlaceholderClip() override;
    bool OffersMenuItem(int index) const override;

private:
    ClipDocument& m_document;
    std::vector<RawChunk> m_chunks;
    ClipChunkFacts m_facts;
    Reason m_reason;
    CAudioAtom* m_atom;
    State m_before;
};
