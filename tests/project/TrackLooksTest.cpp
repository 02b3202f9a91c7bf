// A track's name, colour and picture: edited on its header with the mouse and
// keyboard, each one undo step, and kept in the project file.

#include "ProjectOnWindowTest.h"
#include "gui/CColorChooserDialog.h"
#include "gui/CFileDialog.h"
#include "gui/CImage.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiImage.h"
#include "project/CTrack.h"
#include "project/CTrackHeader.h"
#include "project/CTrackMenus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class TrackLooks : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        ProjectOnWindowTest::SetUp();
        m_prefs.pictureFolder = m_dir + "icons/";
        m_host.Advance(100);
    }
    void TearDown() override {
        SetFileDialogHook(nullptr);
        ProjectOnWindowTest::TearDown();
        CSkin::SetCurrent(nullptr);
    }

    CTrack& Track(int index) const { return *m_project->GetTrack(index); }
    CTrackHeader& Header(int index) const { return *Track(index).GetHeader(); }
    // A point of the header in window coordinates.
    GuiPoint At(int track, int32_t x, int32_t y) const {
        return {Header(track).GetAbsX() + x, Header(track).GetAbsY() + y};
    }
    void DoubleClickName(int track) {
        const GuiPoint p = At(track, 30, 12);
        for (int press = 0; press < 2; ++press) {
            m_host.MouseMove(p.x, p.y);
            m_host.LeftDown(p.x, p.y);
            m_host.LeftUp(p.x, p.y);
        }
    }
    uint32_t ScreenAt(GuiPoint p) {
        m_host.Advance(VRGuiWindow::kRefreshPeriodMs);
        m_host.DeliverPaint();
        return m_host.ScreenPixel(p.x, p.y) & 0xFFFFFF;
    }
    // A picture of one colour, 0xRRGGBB, of the size.
    std::string WritePicture(const std::string& name, int32_t width, int32_t height, uint32_t rgb) {
        CImage picture;
        EXPECT_TRUE(picture.SetSize(width, height));
        // ClearToColor takes 0x00BBGGRR.
        picture.ClearToColor(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
        const std::string path = m_dir + name;
        EXPECT_TRUE(picture.SaveAs(path));
        return path;
    }

    CSkin m_skin;
};

} // namespace

TEST_F(TrackLooks, ADoubleClickOnTheNameRenamesInPlaceAsOneUndoStep) {
    const std::string before = Track(1).GetName();
    DoubleClickName(1);
    ASSERT_TRUE(Header(1).IsRenaming());
    m_host.Text("Drums");
    m_host.KeyDown(VK_RETURN);
    EXPECT_FALSE(Header(1).IsRenaming());
    EXPECT_EQ(Track(1).GetName(), "Drums");
    EXPECT_EQ(Header(1).GetTitle(), "Drums");
    EXPECT_TRUE(Track(1).IsSelected());

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Track(1).GetName(), before);
    EXPECT_EQ(Header(1).GetTitle(), before);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Track(1).GetName(), "Drums");

    // Escape keeps the name, and records nothing.
    const int sets = m_undo.NumUndoSets();
    DoubleClickName(1);
    m_host.Text("Nothing");
    m_host.KeyDown(VK_ESCAPE);
    EXPECT_EQ(Track(1).GetName(), "Drums");
    EXPECT_EQ(m_undo.NumUndoSets(), sets);
}

TEST_F(TrackLooks, ADoubleClickBesideTheNameStillSelectsTheClips) {
    AddClipAt(2, 0.0);
    const GuiPoint p = At(2, 150, 55);
    for (int press = 0; press < 2; ++press) {
        m_host.MouseMove(p.x, p.y);
        m_host.LeftDown(p.x, p.y);
        m_host.LeftUp(p.x, p.y);
    }
    EXPECT_FALSE(Header(2).IsRenaming());
    EXPECT_EQ(m_project->Selection().Clips().size(), 1u);
}

TEST_F(TrackLooks, TheRenameCommandOpensTheName) {
    m_undo.NextUndoSet();
    Track(0).HandleCommand(CTrackMenus::kRename);
    ASSERT_TRUE(Header(0).IsRenaming());
    m_host.Text("Bass");
    m_host.KeyDown(VK_RETURN);
    EXPECT_EQ(Track(0).GetName(), "Bass");
}

TEST_F(TrackLooks, AChosenColourShowsOnTheHeaderAndIsOneUndoStep) {
    const uint32_t before = Track(3).GetColour();
    const GuiPoint strip = At(3, 1, 40);
    Drive({[&] {
        auto* chooser = dynamic_cast<CColorChooserDialog*>(m_window.TopLayer());
        ASSERT_NE(chooser, nullptr);
        chooser->SetColor(0x0000FF); // red, as 0x00BBGGRR
        m_host.KeyDown(VK_RETURN);
    }});
    Track(3).HandleCommand(CTrackMenus::kColour);
    EXPECT_EQ(Track(3).GetColour(), 0x0000FFu);
    EXPECT_EQ(ScreenAt(strip), 0xFF0000u);

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Track(3).GetColour(), before);
    EXPECT_NE(ScreenAt(strip), 0xFF0000u);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Track(3).GetColour(), 0x0000FFu);
}

TEST_F(TrackLooks, AChosenPictureIsCachedSmallShownAndOneUndoStep) {
    const std::string large = WritePicture("Large Photo.png", 600, 400, 0x20C040);
    SetFileDialogHook([&](const FileDialogRequest&, std::string& path) {
        path = large;
        return true;
    });
    const std::string before = Track(0).GetImage();
    // A click on the picture's frame chooses one.
    const GuiRect frame = CTrackHeader::PictureRect();
    const GuiPoint inFrame = At(0, frame.left + 3, frame.top + 3);
    m_host.MouseMove(inFrame.x, inFrame.y);
    m_host.LeftDown(inFrame.x, inFrame.y);
    m_host.LeftUp(inFrame.x, inFrame.y);

    const std::string cached = m_dir + "icons/Large Photo.png";
    EXPECT_EQ(Track(0).GetImage(), cached);
    CImage stored;
    ASSERT_TRUE(stored.Open(cached));
    EXPECT_EQ(stored.Width(), VRGuiImage::kCachedSide);
    EXPECT_EQ(stored.Height(), VRGuiImage::kCachedSide);
    EXPECT_TRUE(Header(0).GetPicture().GetPicture().IsValid());
    EXPECT_EQ(ScreenAt(inFrame), 0x20C040u);

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Track(0).GetImage(), before);
    EXPECT_FALSE(Header(0).GetPicture().GetPicture().IsValid());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Track(0).GetImage(), cached);
    EXPECT_TRUE(Header(0).GetPicture().GetPicture().IsValid());
}

TEST_F(TrackLooks, NameColourAndPictureSurviveSaveAndLoad) {
    const std::string picture = WritePicture("small.png", 32, 32, 0x102030);
    Track(0).SetName("Lead Vocal", true);
    Track(0).SetColour(0x123456, true);
    Track(0).SetImage(picture, true);
    m_project->AddMIDITrack(-1, false);
    Track(8).SetName("Strings", true);
    Track(8).SetColour(0x00AA00, true);
    Track(8).SetImage(picture, true);
    const std::string path = m_dir + "looks.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));

    m_project->NewProject(true);
    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    ASSERT_EQ(m_project->GetNumTracks(), 9);
    for (int index : {0, 8}) {
        EXPECT_EQ(Track(index).GetImage(), picture);
        EXPECT_TRUE(Header(index).GetPicture().GetPicture().IsValid());
    }
    EXPECT_EQ(Track(0).GetName(), "Lead Vocal");
    EXPECT_EQ(Track(0).GetColour(), 0x123456u);
    EXPECT_EQ(Header(0).GetTitle(), "Lead Vocal");
    EXPECT_EQ(Track(8).GetName(), "Strings");
    EXPECT_EQ(Track(8).GetColour(), 0x00AA00u);
}
