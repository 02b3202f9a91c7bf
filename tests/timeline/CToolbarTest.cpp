#include "TimelineTestHelpers.h"

#include "gui/CImage.h"
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
    bool libraryThere = true;
    bool burnerThere = true;

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
    bool CanShowLibrary() const override { return libraryThere; }
    bool CanBurnCd() const override { return burnerThere; }
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

TEST_F(Toolbar, LibraryAndBurnLookDisabledWhileTheirCommandsAreNotThere) {
    toolbar->Refresh();
    EXPECT_TRUE(Button(CToolbar::kLibrary).IsEnabled());
    EXPECT_TRUE(Button(CToolbar::kBurn).IsEnabled());
    commands.libraryThere = false;
    commands.burnerThere = false;
    toolbar->Refresh();
    EXPECT_EQ(Button(CToolbar::kLibrary).GetState(), GuiButton::kDisabled);
    EXPECT_EQ(Button(CToolbar::kBurn).GetState(), GuiButton::kDisabled);
    EXPECT_TRUE(Button(CToolbar::kRender).IsEnabled()) << "mixing down is there";
}

TEST_F(Toolbar, EveryButtonHasAPictureOfItsOwnAndUndoTurnsBack) {
    // Pictures of the default skin: no two buttons look alike.
    const std::string skin = std::string(LOOMTONE_SOURCE_DIR) + "/data/skin/";
    const std::vector<std::string> names = {"new",  "open", "save",   "addsound", "library", "undo",
                                            "redo", "burn", "render", "zoomout",  "zoomin"};
    std::vector<std::vector<uint32_t>> pictures;
    for (const std::string& name : names) {
        CImage image;
        ASSERT_TRUE(image.Open(skin + "toolbar-" + name + "-0.png")) << name;
        std::vector<uint32_t> pixels;
        for (int32_t y = 0; y < image.Height(); ++y)
            for (int32_t x = 0; x < image.Width(); ++x)
                pixels.push_back(image.PixelAt(x, y));
        for (size_t other = 0; other < pictures.size(); ++other)
            EXPECT_NE(pixels, pictures[other]) << name << " looks like " << names[other];
        pictures.push_back(std::move(pixels));
    }
    // The head of the undo arrow is on the left, that of redo on the right:
    // the lower half of each picture holds the head.
    auto lowerInk = [&skin](const std::string& name, bool left) {
        CImage image;
        EXPECT_TRUE(image.Open(skin + "toolbar-" + name + "-0.png"));
        int ink = 0;
        const int32_t w = image.Width(), h = image.Height();
        for (int32_t y = h / 2; y < h - 4; ++y)
            for (int32_t x = left ? 4 : w / 2; x < (left ? w / 2 : w - 4); ++x)
                ink += (image.PixelAt(x, y) & 0xFF) > 0xB0;
        return ink;
    };
    EXPECT_GT(lowerInk("undo", true), lowerInk("undo", false));
    EXPECT_GT(lowerInk("redo", false), lowerInk("redo", true));
}

TEST_F(Toolbar, TheEnvelopeAndSnapCaptionsReadAsEnabled) {
    screen.Advance(100);
    // Light text on the dark face: grey pixels bright enough to read.
    for (int32_t id : {CToolbar::kEnvelope, CToolbar::kSnap}) {
        const GuiRect r = Button(id).GetAbsRect();
        int light = 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right - 20; ++x) {
                const uint32_t pixel = screen.ScreenPixel(x, y);
                const int red = (pixel >> 16) & 0xFF, blue = pixel & 0xFF;
                light += red > 0xA0 && blue > 0xA0 && std::abs(red - blue) < 0x30;
            }
        EXPECT_GT(light, 20) << "button " << id;
    }
}
