#include "DialogTestHelpers.h"
#include "GuiTestObjects.h"

#include "gui/CFileDialog.h"
#include "gui/GuiInput.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FileDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        folder = fs::temp_directory_path() / ("filedialog-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "Zdir");
        fs::create_directories(folder / "adir");
        for (const char* name : {"b.wav", "A.mp3", "c.txt", ".hidden.wav", "song.FLAC"})
            std::ofstream(folder / name) << "x";
        request.folder = folder.string();
        request.filter = "Sound files|*.wav;*.mp3;*.ogg;*.flac";
    }
    void TearDown() override {
        fs::remove_all(folder);
        DialogTest::TearDown();
    }
    std::vector<std::string> Names(const CFileDialog& dialog) const {
        std::vector<std::string> names;
        for (const CFileDialog::Entry& entry : dialog.GetEntries())
            names.push_back(entry.name);
        return names;
    }
    // Runs the step once on the open dialog.
    void OnOpen(std::function<void(CFileDialog&)> step) {
        host.SetModalDriver([this, step, done = false](COffscreenGuiHost& h, int) mutable {
            if (!done)
                step(*Top<CFileDialog>());
            done = true;
            h.Advance(40);
        });
    }

    fs::path folder;
    FileDialogRequest request;
};

} // namespace

TEST_F(FileDialog, ListsFoldersFirstSortedAndFiltered) {
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        const std::vector<std::string> expected = {"..",    "adir",  "Zdir",
                                                   "A.mp3", "b.wav", "song.FLAC"};
        EXPECT_EQ(Names(open), expected);
        host.KeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(&window), IDCANCEL);
    EXPECT_TRUE(CFileDialog::ParseFilter("All|*.*").empty());
    EXPECT_EQ(CFileDialog::ParseFilter("Text|*.txt|Sound|*.wav"), std::vector<std::string>{"txt"});
    EXPECT_FALSE(CFileDialog::PassesFilter("noextension", {"wav"}));
}

TEST_F(FileDialog, ChoosesAFileByTyping) {
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        host.Text("s");
        host.Text("o");
        EXPECT_EQ(open.GetEntries()[size_t(open.GetSelection())].name, "song.FLAC");
        host.Text("ng.FLAC");
        host.KeyDown(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    EXPECT_EQ(dialog.GetPath(), (folder / "song.FLAC").string());
}

TEST_F(FileDialog, ArrowsEnterAFolderAndBackspaceLeavesIt) {
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        host.KeyDown(VK_DOWN); // ".."
        host.KeyDown(VK_DOWN); // "adir"
        EXPECT_EQ(open.GetNameText(), "adir");
        host.KeyDown(VK_RETURN);
        EXPECT_EQ(open.GetFolder(), (folder / "adir").string());
        EXPECT_EQ(Names(open), std::vector<std::string>{".."});
        host.KeyDown(VK_BACK);
        EXPECT_EQ(open.GetFolder(), folder.string());
        // A double click on a file chooses it.
        const GuiRect row = open.RowRect(4); // "b.wav"
        const GuiPoint p = InWindow(&open, row);
        host.LeftDown(p.x, p.y);
        host.LeftUp(p.x, p.y);
        host.LeftDown(p.x, p.y);
        host.LeftUp(p.x, p.y);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    EXPECT_EQ(dialog.GetPath(), (folder / "b.wav").string());
}

TEST_F(FileDialog, SaveAsksBeforeOverwriting) {
    request.mode = FileDialogRequest::Mode::kSave;
    request.fileName = "b.wav";
    int asked = 0;
    SetMessageBoxHook([&](const MessageBoxRequest& box, bool&) {
        EXPECT_EQ(box.flags & MB_TYPEMASK, MB_YESNO);
        return ++asked == 1 ? IDNO : IDYES;
    });
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        host.KeyDown(VK_RETURN); // answered No: stays open
        EXPECT_TRUE(open.IsOpen());
        host.KeyDown(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(dialog.GetPath(), (folder / "b.wav").string());
}

TEST_F(FileDialog, UnreadableFolderGivesAMessage) {
    int told = 0;
    SetMessageBoxHook([&](const MessageBoxRequest&, bool&) {
        ++told;
        return IDOK;
    });
    request.folder = (folder / "missing").string();
    CFileDialog dialog(request);
    EXPECT_EQ(dialog.DoModal(&window), IDCANCEL);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(Names(dialog), std::vector<std::string>{".."});
}

TEST_F(FileDialog, HookAnswersInsteadOfTheDialog) {
    SetFileDialogHook([](const FileDialogRequest& asked, std::string& path) {
        path = asked.folder + "/x.wav";
        return true;
    });
    std::string path;
    EXPECT_TRUE(ChooseFile(request, path));
    EXPECT_EQ(path, request.folder + "/x.wav");
    SetFileDialogHook({});
    EXPECT_FALSE(ChooseFile(request, path)); // no window at all
}

TEST_F(FileDialog, ChosenPathIsAlwaysAbsolute) {
    SetFileDialogHook([](const FileDialogRequest&, std::string& path) {
        path = "mix.wav";
        return true;
    });
    std::string path;
    EXPECT_TRUE(ChooseFile(request, path));
    EXPECT_EQ(path, fs::current_path().string() + "/mix.wav");
    SetFileDialogHook({});
}

TEST_F(FileDialog, ATypedNameReplacesTheProposedOneAndIsSavedInTheShownFolder) {
    request.mode = FileDialogRequest::Mode::kSave;
    request.fileName = "Mix.wav";
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        EXPECT_EQ(open.GetFolder(), folder.string());
        host.Text("mix4.wav");
        EXPECT_EQ(open.GetNameText(), "mix4.wav");
        host.KeyDown(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    EXPECT_EQ(dialog.GetPath(), (folder / "mix4.wav").string());
}

TEST_F(FileDialog, ANameInAMissingSubfolderStaysUnderTheShownFolder) {
    request.mode = FileDialogRequest::Mode::kSave;
    request.fileName = "Mix.wav";
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        host.Text("missing/mix4.wav");
        EXPECT_EQ(open.GetNameText(), "missing/mix4.wav");
        host.KeyDown(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    // Where the caller's write then fails aloud: never the root or the working folder.
    EXPECT_EQ(dialog.GetPath(), (folder / "missing" / "mix4.wav").string());
}

TEST_F(FileDialog, ClosedItLeavesTheWindowAsItWasBeforeItOpened) {
    TestObject tracks{800, 600};
    tracks.color = 0x303848;
    window.AddChild(&tracks, 0, 0);
    host.Advance(40);
    const auto screen = [this] {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 600; y += 3)
            for (int x = 0; x < 800; x += 3)
                pixels.push_back(host.ScreenPixel(x, y));
        return pixels;
    };
    const std::vector<uint32_t> before = screen();
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog&) {
        host.Advance(40);
        EXPECT_NE(screen(), before) << "the dialog is drawn";
        host.KeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(&window), IDCANCEL);
    host.Advance(40);
    EXPECT_EQ(screen(), before);
    window.RemoveChild(&tracks);
}

TEST_F(FileDialog, CtrlASelectsTheNameSoThatTypingOrBackspaceReplacesIt) {
    request.mode = FileDialogRequest::Mode::kSave;
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        host.Text("first");
        host.KeyDown('A', kModControl);
        host.Text("song2");
        EXPECT_EQ(open.GetNameText(), "song2");
        host.KeyDown('A', kModControl);
        host.KeyDown(VK_BACK);
        EXPECT_EQ(open.GetNameText(), "");
        EXPECT_EQ(open.GetFolder(), folder.string()) << "clearing the name stays in the folder";
        host.Text("song3");
        host.KeyDown(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    EXPECT_EQ(dialog.GetPath(), (folder / "song3").string());
}

TEST_F(FileDialog, TheWheelScrollsTheList) {
    for (int i = 0; i < 40; ++i)
        std::ofstream(folder / ("tone" + std::to_string(i) + ".wav")) << "x";
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        const GuiPoint p = InWindow(&open, open.RowRect(2));
        host.Wheel(p.x, p.y, -120);
        EXPECT_EQ(open.GetFirstRow(), CFileDialog::kWheelRows);
        host.Wheel(p.x, p.y, 10 * 120);
        EXPECT_EQ(open.GetFirstRow(), 0);
        host.Wheel(p.x, p.y, -100 * 120);
        const int rows = static_cast<int>(open.GetEntries().size());
        EXPECT_GT(open.GetFirstRow(), 0);
        EXPECT_LT(open.GetFirstRow(), rows);
        // The last row is in view, not beyond it.
        EXPECT_LE(open.RowRect(rows - 1).bottom, open.ListRect().bottom);
        EXPECT_GT(open.RowRect(rows - 1).bottom, open.ListRect().bottom - CFileDialog::kRowHeight);
        host.KeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(&window), IDCANCEL);
}

TEST_F(FileDialog, BackspaceHeldToClearTheNameStaysInTheFolder) {
    request.mode = FileDialogRequest::Mode::kSave;
    request.fileName = "Mix.wav";
    request.folder = (folder / "adir").string();
    CFileDialog dialog(request);
    OnOpen([&](CFileDialog& open) {
        // Held down: the key repeats without being let go.
        for (int repeat = 0; repeat < 8; ++repeat)
            host.KeyDown(VK_BACK);
        EXPECT_EQ(open.GetNameText(), "");
        EXPECT_EQ(open.GetFolder(), (folder / "adir").string());
        host.KeyUp(VK_BACK);
        // A fresh press on the empty name goes up, as before.
        host.KeyDown(VK_BACK);
        EXPECT_EQ(open.GetFolder(), folder.string());
        host.KeyUp(VK_BACK);
        // Held on the empty name, it goes up once, not on to the root.
        for (int repeat = 0; repeat < 8; ++repeat)
            host.KeyDown(VK_BACK);
        host.KeyUp(VK_BACK);
        EXPECT_EQ(open.GetFolder(), folder.parent_path().string());
        host.Text("mix4.wav");
        host.KeyDown(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(&window), IDOK);
    EXPECT_EQ(dialog.GetPath(), (folder.parent_path() / "mix4.wav").string());
}
