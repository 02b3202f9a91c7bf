#include "DialogTestHelpers.h"
#include "GuiTestObjects.h"

#include "gui/CColorChooserDialog.h"
#include "gui/CDeluxeMessageBox.h"
#include "gui/CFileDialog.h"
#include "gui/CProgressDialog.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiInput.h"
#include "support/LocalizedStrings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

// Pictures of the dialogs for the widget gallery, written only when
// LOOMTONE_GALLERY_DIR names the folder to write them into.
class DialogGallery : public DialogTest {
protected:
    void SetUp() override {
        const char* dir = std::getenv("LOOMTONE_GALLERY_DIR");
        if (!dir || !*dir)
            GTEST_SKIP() << "LOOMTONE_GALLERY_DIR is not set";
        gallery = dir;
        fs::create_directories(gallery);
        DialogTest::SetUp();
        // Something under the dialogs, so that a closed one does not stay in the picture.
        backdrop.color = 0x404040;
        window.AddChild(&backdrop, 0, 0);
        previousStrings = GetStringFile();
        SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini");
    }
    void TearDown() override {
        if (!gallery.empty())
            SetStringFile(previousStrings);
        DialogTest::TearDown();
    }
    // Saves the screen at the modal loop's first step, then closes with Escape.
    void SnapOnOpen(const std::string& name) {
        host.SetModalDriver([this, name](COffscreenGuiHost& h, int) {
            h.Advance(40);
            EXPECT_TRUE(h.SaveScreenPng((gallery / name).string()));
            h.KeyDown(VK_ESCAPE);
        });
    }

    fs::path gallery;
    std::string previousStrings;
    TestObject backdrop{800, 600};
};

TEST_F(DialogGallery, Dialogs) {
    CDeluxeMessageBox box;
    SnapOnOpen("message-box.png");
    box.Show(&window, "The project has unsaved changes.\\nDo you want to save them before closing?",
             MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DONTASKAGAIN, "Save Changes");

    const fs::path folder = fs::temp_directory_path() / ("gallery-" + std::to_string(::getpid()));
    fs::create_directories(folder / "Loops");
    fs::create_directories(folder / "vocals");
    for (const char* name : {"drums.wav", "Bass.mp3", "pad.ogg", "notes.txt", "lead.flac"})
        std::ofstream(folder / name) << "x";
    FileDialogRequest request;
    request.title = "Open Sound";
    request.folder = folder.string();
    request.filter = "Sound files|*.wav;*.mp3;*.ogg;*.flac";
    CFileDialog files(request);
    SnapOnOpen("file-dialog.png");
    files.DoModal(&window);
    fs::remove_all(folder);

    CValueEntryDialog entry("Tempo", "Beats per minute (20 to 300):");
    entry.SetNumeric(20, 300);
    entry.SetText("120");
    SnapOnOpen("value-entry.png");
    entry.DoModal(&window);

    CColorChooserDialog chooser("Track Colour", 0x0040A0D8);
    SnapOnOpen("color-chooser.png");
    chooser.DoModal(&window);

    CProgressDialog progress("Mixing Down");
    progress.SetText("Writing mixdown.wav");
    progress.Show(&window);
    progress.Update(62);
    host.Advance(40);
    EXPECT_TRUE(host.SaveScreenPng((gallery / "progress.png").string()));
    progress.Close();
}
