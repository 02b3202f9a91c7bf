#pragma once

#include "gui/CBaseDialog.h"
#include "pianoroll/PREditNotes.h"

#include <array>
#include <memory>
#include <vector>

class CDialogChoice;
class CDialogTextField;
class PRNoteEdits;

// The note edit dialog: start and length of the selected notes as measures,
// beats and thousandths, their pitch, channel, velocity and release
// velocity, "-" wherever the notes differ. OK reads back what the fields
// hold; a field left at "-" or not holding a number leaves that value of
// every note alone.
class CEditNotesDlg : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 440;
    static constexpr int32_t kHeight = 270;

    CEditNotesDlg(const PREditNoteValues& values, double tempo, int beatsPerMeasure);
    ~CEditNotesDlg() override;

    // Shows the dialog over the notes and applies the answer as one undo
    // step; false when it was cancelled or changed nothing.
    static bool Run(VRGuiWindow* owner, PRNoteEdits& edits, const std::vector<MidiNotePtr>& notes);

    // The values read when OK was pressed (-1 for each one left alone).
    const PREditNoteValues& Result() const { return m_result; }

    CDialogTextField& StartField(int part) { return *m_start[size_t(part)]; }
    CDialogTextField& DurationField(int part) { return *m_duration[size_t(part)]; }
    CDialogChoice& PitchChoice() { return *m_pitch; }
    CDialogChoice& ChannelChoice() { return *m_channel; }
    CDialogTextField& VelocityField() { return *m_velocity; }
    CDialogChoice& ReleaseChoice() { return *m_release; }

    void OnDraw(const GuiRect& r) override;

protected:
    void OnCommand(int id) override;

private:
    void AddTimeFields(std::array<std::unique_ptr<CDialogTextField>, 3>& fields, int row,
                       int timeValue, bool isStart);
    void ReadFields();

    double m_tempo;
    int m_beatsPerMeasure;
    PREditNoteValues m_result;
    std::array<std::unique_ptr<CDialogTextField>, 3> m_start;
    std::array<std::unique_ptr<CDialogTextField>, 3> m_duration;
    std::unique_ptr<CDialogChoice> m_pitch;
    std::unique_ptr<CDialogChoice> m_channel;
    std::unique_ptr<CDialogTextField> m_velocity;
    std::unique_ptr<CDialogChoice> m_release;
};
