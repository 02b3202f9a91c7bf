#include "DialogTestHelpers.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/GuiInput.h"
#include "support/LocalizedStrings.h"
#include "support/LogCapture.h"

#include <string>

namespace {

class MessageBox : public DialogTest {
protected:
    // Runs the step once, on the open box, then lets the box run its course.
    void OnOpen(std::function<void(CDeluxeMessageBox&)> step) {
        host.SetModalDriver([this, step, done = false](COffscreenGuiHost& h, int) mutable {
            CDeluxeMessageBox* box = Top<CDeluxeMessageBox>();
            ASSERT_NE(box, nullptr);
            if (!done)
                step(*box);
            done = true;
            h.Advance(40);
        });
    }
};

int CountLines(const LogCapture& capture, const std::string& line) {
    int count = 0;
    for (const std::string& captured : capture.Lines())
        count += captured.find(line) != std::string::npos;
    return count;
}

} // namespace

TEST_F(MessageBox, YesNoClosedByTheCloseControlAnswersNoAndUnchecked) {
    CDeluxeMessageBox box;
    OnOpen([&](CDeluxeMessageBox& open) {
        ClickAt(host, InWindow(&open, open.CheckBoxRect()));
        EXPECT_TRUE(open.IsChecked());
        ClickAt(host, InWindow(&open, open.CloseControlRect()));
    });
    EXPECT_EQ(box.Show(&window, "Really?", MB_YESNO | MB_DONTASKAGAIN, "Question"), IDNO);
    EXPECT_FALSE(box.IsChecked());
    EXPECT_EQ(window.LayerCount(), 0);
}

TEST_F(MessageBox, ExclamationYesNoFocusesYes) {
    CDeluxeMessageBox box;
    OnOpen([&](CDeluxeMessageBox& open) {
        EXPECT_EQ(open.GetIcon(), CDeluxeMessageBox::Icon::kExclamation);
        EXPECT_TRUE(open.GetButton(IDYES)->IsVisible());
        EXPECT_TRUE(open.GetButton(IDNO)->IsVisible());
        EXPECT_FALSE(open.GetButton(IDOK)->IsVisible());
        EXPECT_FALSE(open.GetButton(IDCANCEL)->IsVisible());
        EXPECT_EQ(open.GetFocus(), open.GetButton(IDYES));
        EXPECT_LT(open.GetButton(IDYES)->GetX(), open.GetButton(IDNO)->GetX());
        host.KeyDown(VK_RETURN);
    });
    EXPECT_EQ(box.Show(&window, "Overwrite?", 0x34, "Question"), IDYES);
}

TEST_F(MessageBox, IconsFollowTheFlags) {
    using Icon = CDeluxeMessageBox::Icon;
    EXPECT_EQ(CDeluxeMessageBox::IconFor(MB_ICONHAND), Icon::kExclamation);
    EXPECT_EQ(CDeluxeMessageBox::IconFor(MB_ICONEXCLAMATION), Icon::kExclamation);
    EXPECT_EQ(CDeluxeMessageBox::IconFor(MB_ICONQUESTION), Icon::kQuestion);
    EXPECT_EQ(CDeluxeMessageBox::IconFor(MB_ICONASTERISK), Icon::kInformation);
    EXPECT_EQ(CDeluxeMessageBox::IconFor(MB_OKCANCEL), Icon::kNone);
}

TEST_F(MessageBox, LongBodyGrowsTheBoxShortOneKeepsTwiceTheIcon) {
    // Without a driver the headless loop ends at once; the layout stays.
    CDeluxeMessageBox shortBox;
    EXPECT_EQ(shortBox.Show(&window, "One line.", MB_OKCANCEL, "T"), IDCANCEL);
    EXPECT_EQ(shortBox.GetTextAreaHeight(), 2 * CDeluxeMessageBox::kIconSize);

    CDeluxeMessageBox longBox;
    longBox.Show(&window, "1\\n2\\n3\\n4\\n5\\n6\\n7\\n8", MB_OKCANCEL, "T");
    const int32_t growth = longBox.GetTextAreaHeight() - 2 * CDeluxeMessageBox::kIconSize;
    EXPECT_GT(growth, 40);
    EXPECT_EQ(longBox.GetHeight() - shortBox.GetHeight(), growth);

    CDeluxeMessageBox withCheck;
    withCheck.Show(&window, "One line.", MB_OKCANCEL | MB_DONTASKAGAIN, "T");
    EXPECT_GT(withCheck.GetHeight(), shortBox.GetHeight());
}

TEST_F(MessageBox, MissingOkKeyReadsOkOtherButtonsShowTheKey) {
    const std::string previous = GetStringFile();
    SetStringFile("/nonexistent/loomstrings.ini");
    EXPECT_EQ(CDeluxeMessageBox::DefaultCaption(IDOK), "OK");
    EXPECT_EQ(CDeluxeMessageBox::DefaultCaption(IDCANCEL), "guitools: msgbox cancel");
    EXPECT_EQ(CDeluxeMessageBox::DefaultCaption(IDYES), "guitools: msgbox yes");
    EXPECT_EQ(CDeluxeMessageBox::DefaultCaption(IDNO), "guitools: msgbox no");
    if (!previous.empty())
        SetStringFile(previous);
}

TEST_F(MessageBox, CustomCaptionsAndTextLimits) {
    CDeluxeMessageBox box;
    box.SetButtonCaption(IDOK, "Fine");
    box.Show(&window, std::string(3000, 'x'), MB_OK, std::string(400, 't'));
    EXPECT_EQ(box.GetButton(IDOK)->GetCaption(), "Fine");
    EXPECT_EQ(box.GetText().size(), CDeluxeMessageBox::kMaxTextBytes);
    EXPECT_EQ(box.GetTitle().size(), CDeluxeMessageBox::kMaxTitleBytes);
}

TEST_F(MessageBox, ButtonsAnswerAndReportTheCheckBox) {
    SetMainWindow(&window);
    const std::pair<uint32_t, int> cases[] = {
        {MB_YESNOCANCEL, IDYES}, {MB_YESNOCANCEL, IDNO}, {MB_YESNOCANCEL, IDCANCEL}};
    for (const auto& [flags, id] : cases) {
        const int wanted = id;
        OnOpen([&](CDeluxeMessageBox& open) {
            ClickAt(host, InWindow(&open, open.CheckBoxRect()));
            Click(host, open.GetButton(wanted));
        });
        bool dontAsk = false;
        EXPECT_EQ(AskWithDontAskAgain("T", &dontAsk, "B", flags), wanted);
        EXPECT_TRUE(dontAsk) << wanted;
    }
}

TEST_F(MessageBox, TabMovesTheFocusAndEscapeFollowsTheCloseRule) {
    SetMainWindow(&window);
    OnOpen([&](CDeluxeMessageBox&) {
        host.KeyDown(VK_TAB);
        host.KeyDown(VK_RETURN);
    });
    EXPECT_EQ(ShowMessage(nullptr, "B", MB_YESNO, "T"), IDNO);
    OnOpen([&](CDeluxeMessageBox&) { host.KeyDown(VK_ESCAPE); });
    EXPECT_EQ(ShowMessage(nullptr, "B", MB_OKCANCEL, "T"), IDCANCEL);
    OnOpen([&](CDeluxeMessageBox&) { host.KeyDown(VK_ESCAPE); });
    EXPECT_EQ(ShowMessage(nullptr, "B", MB_OK, "T"), IDOK);
}

TEST_F(MessageBox, OneLogLineEachShownHookedOrWithoutWindow) {
    LogCapture capture;
    SetMainWindow(&window);
    OnOpen([&](CDeluxeMessageBox& open) { Click(host, open.GetButton(IDOK)); });
    EXPECT_EQ(ShowFormattedMessage("Title_A", "Body %d", MB_OK, 5), IDOK);
    EXPECT_EQ(CountLines(capture, "Title_A - Body 5"), 1);

    MessageBoxRequest seen;
    SetMessageBoxHook([&](const MessageBoxRequest& request, bool& checked) {
        seen = request;
        checked = true;
        return IDYES;
    });
    bool dontAsk = false;
    EXPECT_EQ(AskBeatMatching(&dontAsk), IDYES);
    EXPECT_TRUE(dontAsk);
    EXPECT_EQ(seen.flags, 0x10024u);
    EXPECT_EQ(CountLines(capture, seen.title + " - " + seen.text), 1);

    SetMessageBoxHook({});
    SetMainWindow(nullptr);
    dontAsk = true;
    EXPECT_EQ(AskWithDontAskAgain("Title_B", &dontAsk, "Body_B", MB_YESNO), IDNO);
    EXPECT_FALSE(dontAsk);
    EXPECT_EQ(CountLines(capture, "Title_B - Body_B"), 1);
}
