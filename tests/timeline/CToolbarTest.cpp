#include "TimelineTestHelpers.h"

#include "support/CUndoMgr.h"
#include "support/LogCapture.h"
#include "timeline/CToolbar.h"
#include "timeline/ToolbarCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakeCommands : ToolbarCommands {
    std::vector<std::string> calls;
    Answer answer = Answer::kCancel;
    bool saveSucceeds = true;
    int32_t mixDownType = 1;
    int zoom = 10;
    int envelope = 0;
    int snap = 4;
    int64_t length = 60000;
    bool busy = false;

    bool AskSaveBeforeNew() override { return true; }
    void NewProject() override { calls.push_back("new"); }
    void OpenProject() override { calls.push_back("open"); }
    bool SaveProject() override {
        calls.push_back("save");
        return saveSucceeds;
    }
    void AddSound() override { calls.push_back("add sound"); }
    void ShowDetailsPage(int page) override { calls.push_back("page " + std::to_string(page)); }
    bool HasProject() const override { return true; }
    void BurnCd() override { calls.push_back("burn"); }
    Answer AskQuestion(const std::string& titleKey, const std::string& bodyKey) override {
        calls.push_back("ask " + titleKey + " " + bodyKey);
        return answer;
    }
    int32_t MixDownType() const override { return mixDownType; }
    void MixDown(const std::string& extension) override { calls.push_back("mix " + extension); }
    int ZoomLevel() const override { return zoom; }
    void Zoom(bool zoomOut) override { zoom += zoomOut ? 1 : -1; }
    int ShownEnvelopeType() const override { return envelope; }
    void SetMasterEnvelopeType(int type) override { envelope = type; }
    int SnapLevel() const override { return snap; }
    void SetSnapLevel(int level) override {
        snap = level;
        calls.push_back("snap " + std::to_string(level));
    }
    int64_t ProjectLengthMs() const override { return length; }
    bool IsPlayingOrRecording() const override { return busy; }
    void RefreshMainWindow() override {}
};

// The toolbar across a 900-pixel window.
class Toolbar : public ::testing::Test {
protected:
    void SetUp() override {
        toolbar = std::make_unique<CToolbar>(900, commands, undo);
        ASSERT_TRUE(window.Initialize(&screen, 900, 200));
        window.AddChild(toolbar.get(), 0, 0);
        screen.Advance(40);
    }
    void TearDown() override { window.RemoveChild(toolbar.get()); }
    GuiButton& Button(int32_t id) { return *toolbar->GetButton(id); }
    void Click(int32_t id) {
        const GuiRect r = Button(id).GetAbsRect();
        const int32_t x = (r.left + r.right) / 2;
        const int32_t y = (r.top + r.bottom) / 2;
        screen.MouseMove(x, y);
        screen.LeftDown(x, y);
        screen.LeftUp(x, y);
        screen.Advance(1000); // the next click is no double click
    }

    FakeCommands commands;
    CUndoMgr undo{10};
    COffscreenGuiHost screen;
    VRGuiWindow window;
    std::unique_ptr<CToolbar> toolbar;
};

} // namespace

TEST_F(Toolbar, ButtonsStandInARowAndTheLogoNeverCoversTheSnapButton) {
    const int32_t step = Button(CToolbar::kNew).GetWidth();
    EXPECT_EQ(Button(CToolbar::kNew).GetX(), 3);
    EXPECT_EQ(Button(CToolbar::kNew).GetY(), 6);
    EXPECT_EQ(Button(CToolbar::kZoomOut).GetX(), 3 + 9 * step);
    EXPECT_EQ(Button(CToolbar::kZoomIn).GetX(), 3 + 10 * step);
    const GuiButton& zoomIn = Button(CToolbar::kZoomIn);
    EXPECT_EQ(Button(CToolbar::kEnvelope).GetX(), zoomIn.GetX() + zoomIn.GetWidth() + 6);
    EXPECT_EQ(Button(CToolbar::kSnap).GetY(), 9);
    const GuiButton& logo = Button(CToolbar::kLogo);
    EXPECT_EQ(logo.GetX(), 900 - logo.GetWidth() - 6);
    EXPECT_EQ(logo.GetY(), (46 - logo.GetHeight()) / 2 + 3);

    const GuiButton& snap = Button(CToolbar::kSnap);
    toolbar->SetSize(300, 46);
    EXPECT_EQ(logo.GetX(), snap.GetX() + snap.GetWidth() + 3);
    toolbar->SetSize(1200, 46);
    EXPECT_EQ(logo.GetX(), 1200 - logo.GetWidth() - 6);
}

TEST_F(Toolbar, UndoFollowsTheHistoryAndDoesNothingWhenDisabled) {
    LogCapture log;
    EXPECT_EQ(Button(CToolbar::kUndo).GetState(), GuiButton::kDisabled);
    EXPECT_EQ(Button(CToolbar::kSave).GetState(), GuiButton::kDisabled);
    Click(CToolbar::kUndo);
    EXPECT_FALSE(log.Contains("Undo start"));

    undo.AddUndoNode(CUndoAtom());
    toolbar->Refresh();
    EXPECT_TRUE(Button(CToolbar::kUndo).IsEnabled());
    EXPECT_TRUE(Button(CToolbar::kSave).IsEnabled());
    Click(CToolbar::kUndo);
    EXPECT_TRUE(log.Contains("Undo start"));
    EXPECT_TRUE(log.Contains("Undo finish"));
    EXPECT_EQ(Button(CToolbar::kUndo).GetState(), GuiButton::kDisabled);
    EXPECT_TRUE(Button(CToolbar::kRedo).IsEnabled());
}

TEST_F(Toolbar, ZoomButtonsStopAtTheEndsOfTheTable) {
    commands.zoom = 1;
    toolbar->Refresh();
    Click(CToolbar::kZoomIn);
    EXPECT_EQ(commands.zoom, 0);
    EXPECT_FALSE(Button(CToolbar::kZoomIn).IsEnabled());
    EXPECT_TRUE(Button(CToolbar::kZoomOut).IsEnabled());
    commands.zoom = 33;
    toolbar->Refresh();
    Click(CToolbar::kZoomOut);
    Click(CToolbar::kZoomOut);
    EXPECT_EQ(commands.zoom, 34);
    EXPECT_FALSE(Button(CToolbar::kZoomOut).IsEnabled());
}

TEST_F(Toolbar, EmptyOrBusyProjectCannotBeBurnedOrMixedDown) {
    EXPECT_TRUE(Button(CToolbar::kBurn).IsEnabled());
    commands.length = 0;
    toolbar->Refresh();
    EXPECT_FALSE(Button(CToolbar::kBurn).IsEnabled());
    EXPECT_FALSE(Button(CToolbar::kRender).IsEnabled());
    commands.length = 1000;
    commands.busy = true;
    toolbar->Refresh();
    EXPECT_FALSE(Button(CToolbar::kRender).IsEnabled());
}

TEST_F(Toolbar, MixDownAsksToSaveUnsavedChangesFirst) {
    undo.SetDirty(true);
    toolbar->Refresh();
    const std::string question = "ask WantSaveQuestionTitle3 WantSaveQuestion3";
    using Answer = ToolbarCommands::Answer;
    commands.saveSucceeds = false;
    const std::pair<Answer, std::vector<std::string>> cases[] = {
        {Answer::kCancel, {question}},
        {Answer::kNo, {question, "mix .MP3"}},
        {Answer::kYes, {question, "save"}}, // the save fails: no mix down
    };
    for (const auto& [answer, calls] : cases) {
        commands.calls.clear();
        commands.answer = answer;
        Click(CToolbar::kRender);
        EXPECT_EQ(commands.calls, calls) << calls.back();
    }

    commands.calls.clear();
    undo.SetDirty(false);
    commands.mixDownType = 0;
    Click(CToolbar::kRender);
    EXPECT_EQ(commands.calls, std::vector<std::string>{"mix .WAV"});
    EXPECT_EQ(CToolbar::MixDownExtension(2), ".WMA");
    EXPECT_EQ(CToolbar::MixDownExtension(3), ".OGG");
    EXPECT_EQ(CToolbar::MixDownExtension(7), ".MP3");
}

TEST_F(Toolbar, EnvelopeAndSnapMenusChooseAndCaptionsFollow) {
    EXPECT_EQ(Button(CToolbar::kEnvelope).GetCaption(), "Volume");
    EXPECT_EQ(Button(CToolbar::kSnap).GetCaption(), "Snap: 1/8");
    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 2); }});
    Click(CToolbar::kEnvelope);
    EXPECT_EQ(commands.envelope, 2);
    EXPECT_EQ(Button(CToolbar::kEnvelope).GetCaption(), "Low-Pass Cutoff");
    EXPECT_EQ(Button(CToolbar::kEnvelope).GetState(), GuiButton::kNormal);

    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 5); }});
    Click(CToolbar::kSnap);
    EXPECT_EQ(commands.snap, 5);
    EXPECT_EQ(Button(CToolbar::kSnap).GetCaption(), "Snap: 1/16");
    // Choosing the current level changes nothing; dismissing neither.
    commands.calls.clear();
    DriveMenu(screen, {[&] { ClickMenuItem(screen, window, 5); }});
    Click(CToolbar::kSnap);
    DriveMenu(screen, {});
    Click(CToolbar::kSnap);
    EXPECT_TRUE(commands.calls.empty());
}
