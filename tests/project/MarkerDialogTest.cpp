#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/CDialogTextField.h"
#include "gui/GuiInput.h"
#include "gui/GuiPopupMenu.h"
#include "project/CAutoMarkerWizard.h"
#include "project/CMarkerDialog.h"
#include "project/CMarkerEditSession.h"
#include "project/MarkerPosition.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTimeGrid.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using Fields = MarkerPosition::Fields;

TEST(MarkerPositionTest, ClockFieldsCarryBorrowAndHoldTheirRanges) {
    TempoMap map;
    const MarkerPosition clock(map, MarkerPosition::kClock);
    EXPECT_EQ(clock.Step({0, 59, 999}, 2, 1), (Fields{1, 0, 0}));
    EXPECT_EQ(clock.Step({1, 0, 0}, 2, -1), (Fields{0, 59, 999}));
    EXPECT_EQ(clock.Step({0, 59, 0}, 1, 1), (Fields{1, 0, 0}));
    EXPECT_EQ(clock.Step({0, 0, 0}, 1, -1), (Fields{0, 0, 0}));
    EXPECT_EQ(clock.Step({0, 0, 500}, 0, -1), (Fields{0, 0, 0}));
    EXPECT_EQ(clock.Clamped({0, 75, 1500}), (Fields{0, 59, 999}));
    EXPECT_EQ(clock.Clamped({-3, -1, -1}), (Fields{0, 0, 0}));
    // The fields show heard time: at 60 beats per minute a reference second lasts two.
    ASSERT_EQ(map.AddEvent({.time = 0.0, .tempo = 60.0, .tempoChange = true}), 0);
    EXPECT_EQ(clock.FromReal(2000.0), (Fields{0, 4, 0}));
    EXPECT_DOUBLE_EQ(clock.ToReal({0, 4, 0}), 2000.0);
}

TEST(MarkerPositionTest, MeasureFieldsCarryAndBorrowAcrossSignatures) {
    TempoMap map;
    const MarkerPosition measures(map, MarkerPosition::kMeasure);
    EXPECT_EQ(measures.FromReal(0.0), (Fields{1, 1, 0}));
    EXPECT_EQ(measures.Step({1, 4, 999}, 2, 1), (Fields{2, 1, 0}));
    EXPECT_EQ(measures.Step({2, 1, 0}, 1, -1), (Fields{1, 4, 0}));
    EXPECT_EQ(measures.Step({1, 1, 0}, 1, -1), (Fields{1, 1, 0}));
    EXPECT_EQ(measures.Step({1, 1, 0}, 0, -1), (Fields{1, 1, 0}));
    EXPECT_EQ(measures.Clamped({1, 7, 1200}), (Fields{1, 4, 999}));
    // Three beats a measure from measure 2 on.
    ASSERT_EQ(map.AddEvent({.time = 2000.0, .numerator = 3, .timeSigChange = true}), 0);
    EXPECT_EQ(measures.Clamped({2, 4, 0}), (Fields{2, 3, 0}));
    EXPECT_EQ(measures.Step({2, 3, 0}, 1, 1), (Fields{3, 1, 0}));
    EXPECT_EQ(measures.Step({1, 4, 0}, 0, 1), (Fields{2, 3, 0}));
    EXPECT_DOUBLE_EQ(measures.ToReal({3, 1, 0}), 3500.0);
    EXPECT_DOUBLE_EQ(measures.ToReal({1, 2, 500}), 750.0);
}

TEST(MarkerDialogTempoText, WholeTemposEndInPointZero) {
    EXPECT_EQ(CMarkerDialog::TempoText(120.0), "120.0");
    EXPECT_EQ(CMarkerDialog::TempoText(93.5), "93.5");
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class MarkerDialogTest : public ProjectOnWindowTest {
protected:
    CMarkerDialog& Dialog() {
        auto* dialog = dynamic_cast<CMarkerDialog*>(m_window.TopLayer());
        EXPECT_NE(dialog, nullptr);
        return *dialog;
    }
    // Clicks a field and types over the text the dialog put there.
    void TypeInto(CDialogTextField& field, const std::string& text) {
        Click(&field);
        m_host.Text(text);
    }
    void AddMarkerAt(double realMs) {
        CMarkerEditSession session(*m_project, m_undo);
        ASSERT_TRUE(session.BeginAdd(realMs));
        session.Finish();
    }
    std::string Saved(const std::string& name) {
        EXPECT_TRUE(m_project->SaveProject(m_dir + name));
        return Bytes(m_dir + name);
    }
    const MarkerRecord& Marker(int index) { return m_project->Markers().At(index); }
    const TempoMap& Map() { return m_project->GetTempoMap(); }
};

TEST_F(MarkerDialogTest, RulerDoubleClickAddsAMarkerEditedLiveAndOkIsOneUndoStep) {
    CTimeGrid& ruler = m_project->TimeGrid();
    const int32_t x = ruler.GetAbsX() + 200;
    const int32_t y = ruler.GetAbsY() + CTimeGrid::kHeight / 2;
    const double realMs = Map().GetRealTime(200.0 * ruler.GetMsPerPixel());
    Drive({
        [&] {
            EXPECT_EQ(Dialog().GetTitle(), MyLoadString("MDT_AddTitle"));
            // Nothing to play through without a transport.
            EXPECT_FALSE(Dialog().GetButton(CMarkerDialog::kPlayId)->IsEnabled());
            // The name field has the focus.
            m_host.Text("Chorus");
            EXPECT_EQ(Marker(1).name, "Chorus");
            Click(&Dialog().TempoBox());
            TypeInto(Dialog().TempoField(), "90");
        },
        [&] {
            // The tempo map follows while the dialog is open.
            EXPECT_DOUBLE_EQ(Map().GetTempoAtTime(realMs + 100.0), 90.0);
            Click(Dialog().GetButton(CMarkerDialog::kSpinUpId + 1));
            EXPECT_EQ(Marker(1).time, std::lround(realMs) + 1000);
            EXPECT_EQ(Dialog().PositionField(1).GetText(),
                      std::to_string(std::lround(realMs) / 1000 % 60 + 1));
        },
        [&] { ClickDialogButton(IDOK); },
    });
    m_host.LeftDown(x, y);
    m_host.LeftUp(x, y);
    m_host.LeftDown(x, y); // the double click opens the dialog
    m_host.LeftUp(x, y);
    EXPECT_EQ(m_window.TopLayer(), nullptr);
    ASSERT_EQ(m_project->Markers().Count(), 2);
    EXPECT_EQ(Marker(1).name, "Chorus");
    EXPECT_EQ(Marker(1).time, std::lround(realMs) + 1000);
    EXPECT_TRUE(Marker(1).tempoEvent.tempoChange);
    EXPECT_DOUBLE_EQ(Marker(1).tempoEvent.tempo, 90.0);
    EXPECT_EQ(Marker(1).colour, CMarkerEditSession::kNewMarkerColour);
    EXPECT_EQ(m_project->TimeGrid().MarkerCount(), 2);

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->Markers().Count(), 1);
    EXPECT_DOUBLE_EQ(Map().GetTempoAtTime(realMs + 2000.0), 120.0);
    EXPECT_FALSE(m_undo.CanUndo());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Marker(1).name, "Chorus");
    EXPECT_DOUBLE_EQ(Map().GetTempoAtTime(realMs + 2000.0), 90.0);
}

TEST_F(MarkerDialogTest, AddingWhereAMarkerStandsShowsTheMessageAndAddsNothing) {
    int steps = 0;
    m_host.SetModalDriver([&steps](COffscreenGuiHost&, int) { ++steps; });
    m_project->Ruler().OpenNewMarkerDialog(0.0);
    EXPECT_EQ(steps, 0); // no dialog
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles[0], MyLoadString("MDT_TimeUnavail_Title"));
    EXPECT_EQ(m_project->Markers().Count(), 1);
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_F(MarkerDialogTest, CancelAfterLiveEditsOfTimeAndTempoLeavesTheFileAsItWas) {
    AddMarkerAt(2000.0);
    m_undo.ClearUndoHistory();
    const std::string before = Saved("before.lt4");
    Drive({
        [&] {
            EXPECT_EQ(Dialog().GetTitle(), MyLoadString("MDT_EditTitle"));
            TypeInto(Dialog().PositionField(1), "9");
            EXPECT_EQ(Marker(1).time, 9000);
            Click(&Dialog().TempoBox());
            TypeInto(Dialog().TempoField(), "150");
            EXPECT_DOUBLE_EQ(Map().GetTempoAtTime(9500.0), 150.0);
            TypeInto(Dialog().NameField(), "Gone");
        },
        [&] { ClickDialogButton(IDCANCEL); },
    });
    ASSERT_TRUE(CMarkerDialog::RunEdit(*m_project, m_undo, &m_window, 1));
    // Escape after edits cancels as well.
    Drive({
        [&] {
            Click(Dialog().GetButton(CMarkerDialog::kSpinDownId));
            m_host.KeyDown(VK_ESCAPE);
        },
    });
    ASSERT_TRUE(CMarkerDialog::RunEdit(*m_project, m_undo, &m_window, 1));
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(Saved("after.lt4"), before);
}

TEST_F(MarkerDialogTest, MovingOntoAnotherMarkerIsRefusedAndTheFieldsGoBack) {
    AddMarkerAt(2000.0);
    AddMarkerAt(5000.0);
    m_titles.clear();
    Drive({
        [&] {
            TypeInto(Dialog().PositionField(1), "2");
            ASSERT_EQ(m_titles.size(), 1u);
            EXPECT_EQ(m_titles[0], MyLoadString("MDT_TimeUnavail_Title"));
            EXPECT_EQ(Marker(2).time, 5000);
            EXPECT_EQ(Dialog().PositionField(1).GetText(), "5");
        },
        [&] { ClickDialogButton(IDOK); },
    });
    ASSERT_TRUE(CMarkerDialog::RunEdit(*m_project, m_undo, &m_window, 2));
    EXPECT_EQ(m_project->Markers().Count(), 3);
}

TEST_F(MarkerDialogTest, TheStartMarkerKeepsItsPlaceAndItsChanges) {
    Drive({
        [&] {
            for (int field = 0; field < 3; ++field)
                EXPECT_FALSE(Dialog().PositionField(field).IsEnabled());
            EXPECT_FALSE(Dialog().TempoBox().IsEnabled());
            EXPECT_FALSE(Dialog().KeyBox().IsEnabled());
            EXPECT_FALSE(Dialog().SignatureBox().IsEnabled());
            // A click on a disabled box changes nothing.
            Click(&Dialog().TempoBox());
            EXPECT_TRUE(Marker(0).tempoEvent.tempoChange);
            TypeInto(Dialog().TempoField(), "100");
        },
        [&] { ClickDialogButton(IDOK); },
    });
    ASSERT_TRUE(CMarkerDialog::RunEdit(*m_project, m_undo, &m_window, 0));
    EXPECT_EQ(Marker(0).time, 0);
    EXPECT_DOUBLE_EQ(Marker(0).tempoEvent.tempo, 100.0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(Marker(0).tempoEvent.tempo, 120.0);
}

TEST_F(MarkerDialogTest, KeySignatureMetronomeIsrcAndColourFollowTheControls) {
    AddMarkerAt(4000.0);
    const MarkerRecord saved = Marker(1);
    Drive({
        [&] {
            Click(&Dialog().KeyBox());
            Click(&Dialog().KeyChoice()); // opens the list
        },
        [&] {
            auto* list = dynamic_cast<GuiPopupMenu*>(m_window.TopLayer());
            ASSERT_NE(list, nullptr);
            const GuiRect r = list->GetAbsRect();
            const int32_t y = r.top + list->ItemTop(5) + GuiPopupMenu::kItemHeight / 2;
            m_host.MouseMove((r.left + r.right) / 2, y);
            m_host.LeftDown((r.left + r.right) / 2, y);
            m_host.LeftUp((r.left + r.right) / 2, y);
        },
        [&] {
            EXPECT_EQ(Map().GetKeyAtTime(4500.0), 5);
            m_host.KeyDown(VK_DOWN); // the choice keeps the focus
            EXPECT_EQ(Map().GetKeyAtTime(4500.0), 6);
            Click(&Dialog().SignatureBox());
            TypeInto(Dialog().NumeratorField(), "3");
            int numerator = 0, denominator = 0;
            Map().GetTimeSignatureAtTime(4500.0, &numerator, &denominator);
            EXPECT_EQ(numerator, 3);
            // The metronome counts at most the beats of a measure.
            TypeInto(Dialog().BeatsField(), "9");
            EXPECT_EQ(Dialog().BeatsField().GetText(), "3");
            EXPECT_EQ(Marker(1).tempoEvent.setting, 3);
            Click(&Dialog().IsrcBox());
            EXPECT_TRUE(Dialog().IsrcField().IsEnabled());
            TypeInto(Dialog().IsrcField(), "USABC1234567");
            EXPECT_EQ(Marker(1).isrc, "USABC1234567");
            Click(&Dialog().IsrcBox()); // unticking empties the code
            EXPECT_EQ(Marker(1).isrc, "");
            EXPECT_EQ(Dialog().IsrcField().GetText(), "");
            Click(&Dialog().CdTrackBox());
            EXPECT_TRUE(Marker(1).cdTrack);
        },
        [&] {
            // The swatch shows the marker's colour (red 255, green 255, blue 128).
            const GuiRect swatch = Dialog().SwatchRect();
            EXPECT_EQ(m_host.ScreenPixel(Dialog().GetAbsX() + (swatch.left + swatch.right) / 2,
                                         Dialog().GetAbsY() + (swatch.top + swatch.bottom) / 2),
                      0xFFFFFF80u);
            m_host.SaveScreenPng(m_dir + "marker-dialog.png");
            ClickDialogButton(IDOK);
        },
    });
    ASSERT_TRUE(CMarkerDialog::RunEdit(*m_project, m_undo, &m_window, 1));
    EXPECT_EQ(Marker(1).tempoEvent.key, 6);
    EXPECT_TRUE(Marker(1).tempoEvent.keyChange);
    EXPECT_EQ(Marker(1).tempoEvent.numerator, 3);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Marker(1).tempoEvent, saved.tempoEvent);
    EXPECT_FALSE(Marker(1).cdTrack);
}

TEST_F(MarkerDialogTest, InMeasureModeThePositionIsMeasureBeatAndThousandths) {
    m_project->SetTimeLineMode(CTimeGrid::kMeasureMode);
    AddMarkerAt(2000.0); // measure 2 at 4/4
    Drive({
        [&] {
            EXPECT_EQ(Dialog().PositionField(0).GetText(), "2");
            EXPECT_EQ(Dialog().PositionField(1).GetText(), "1");
            TypeInto(Dialog().PositionField(0), "3");
            EXPECT_EQ(Marker(1).time, 4000);
            Click(Dialog().GetButton(CMarkerDialog::kSpinDownId + 1)); // one beat back
            EXPECT_EQ(Marker(1).time, 3500);
            EXPECT_EQ(Dialog().PositionField(0).GetText(), "2");
            EXPECT_EQ(Dialog().PositionField(1).GetText(), "4");
        },
        [&] { ClickDialogButton(IDOK); },
    });
    ASSERT_TRUE(CMarkerDialog::RunEdit(*m_project, m_undo, &m_window, 1));
    EXPECT_EQ(Marker(1).time, 3500);
}

class AutoMarkerWizardTest : public MarkerDialogTest {
protected:
    CAutoMarkerWizard& Wizard() {
        auto* wizard = dynamic_cast<CAutoMarkerWizard*>(m_window.TopLayer());
        EXPECT_NE(wizard, nullptr);
        return *wizard;
    }
    std::string TrackName(int number) {
        return FormatLocalized(MyLoadString("TMB_TrackStr"), number);
    }
};

TEST_F(AutoMarkerWizardTest, TheDefaultsMarkEveryFiveMinutesUpToSeventyAsOneUndoStep) {
    Drive({[&] {
        EXPECT_EQ(Wizard().IntervalField().GetText(), "5");
        EXPECT_EQ(Wizard().TotalField().GetText(), "74");
        EXPECT_FALSE(Wizard().MinSilenceField().IsEnabled());
        ClickDialogButton(IDOK);
    }});
    m_project->OpenMarkerWizard();
    ASSERT_EQ(m_project->Markers().Count(), 15);
    for (int index = 1; index < 15; ++index) {
        EXPECT_EQ(Marker(index).time, index * 5 * 60000);
        EXPECT_EQ(Marker(index).name, TrackName(index + 1));
        EXPECT_TRUE(Marker(index).cdTrack);
    }
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->Markers().Count(), 1);
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_F(AutoMarkerWizardTest, AnIntervalOfTenOverSeventyFourGivesTracksTwoToEight) {
    Drive({[&] {
        TypeInto(Wizard().IntervalField(), "10");
        Click(&Wizard().CdTrackBox());
        ClickDialogButton(IDOK);
    }});
    m_project->OpenMarkerWizard();
    ASSERT_EQ(m_project->Markers().Count(), 8);
    EXPECT_EQ(Marker(1).time, 10 * 60000);
    EXPECT_EQ(Marker(7).time, 70 * 60000);
    EXPECT_EQ(Marker(7).name, TrackName(8));
    EXPECT_FALSE(Marker(7).cdTrack);
    // The settings are kept for next time.
    EXPECT_DOUBLE_EQ(m_prefs.fAutoTrackIntervalMinutes, 10.0);
    EXPECT_FALSE(m_prefs.bAutoTrackCreateCDMarkers);
}

TEST_F(AutoMarkerWizardTest, AnIntervalOfZeroIsRefusedAndTheWizardStaysOpen) {
    Drive({
        [&] {
            TypeInto(Wizard().IntervalField(), "0");
            ClickDialogButton(IDOK);
        },
        [&] {
            EXPECT_TRUE(Wizard().ShowsRangeError());
            m_host.SaveScreenPng(m_dir + "wizard.png");
            ClickDialogButton(IDCANCEL);
        },
    });
    EXPECT_EQ(CAutoMarkerWizard::Run(*m_project, m_undo, m_mixer, m_prefs, &m_window), IDCANCEL);
    EXPECT_EQ(m_project->Markers().Count(), 1);
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_DOUBLE_EQ(m_prefs.fAutoTrackIntervalMinutes, 5.0);
}

TEST_F(AutoMarkerWizardTest, SilenceModeMarksTheThreeGapsOfTheMixAndCanClearOldMarkers) {
    for (double start : {0.0, 3000.0, 6000.0, 9000.0})
        ASSERT_NE(AddClipAt(0, start), nullptr);
    AddMarkerAt(1234.0);
    Drive({[&] {
        Click(&Wizard().SilenceBox());
        EXPECT_FALSE(Wizard().IntervalField().IsEnabled());
        EXPECT_TRUE(Wizard().MinSilenceField().IsEnabled());
        TypeInto(Wizard().MinMinutesField(), "0");
        Click(&Wizard().RemoveExistingBox());
        ClickDialogButton(IDOK);
    }});
    m_project->OpenMarkerWizard();
    ASSERT_EQ(m_project->Markers().Count(), 4);
    for (int index = 1; index < 4; ++index) {
        EXPECT_NEAR(Marker(index).time, 3000.0 * index, 5.0);
        EXPECT_EQ(Marker(index).name, TrackName(index + 1));
    }
    EXPECT_TRUE(m_prefs.bAutoTrackOnSilence);
    // One step takes the new markers away and brings the old one back.
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(m_project->Markers().Count(), 2);
    EXPECT_EQ(Marker(1).time, 1234);
}

} // namespace
