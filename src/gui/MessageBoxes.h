#pragma once

#include "gui/CDeluxeMessageBox.h"
#include "gui/DialogLook.h"
#include "support/LocalizedStrings.h"

#include <cstdint>
#include <functional>
#include <string>

class VRGuiWindow;

// The program-wide messages and questions: callers name string keys, the
// functions fetch and fill the localized texts, show a CDeluxeMessageBox over
// the owner (the main window unless given), write the log line
// "<title> - <text>" and return the identifier of the closing button. They
// never fail: there is always an answer.
//
// Before the main window exists (start-up errors) there is nothing to show
// the box in: the title and text go to the log and to standard error, and the
// answer is the one of closing the box (OK, Cancel or No by the button set),
// with the check box unchecked.

// What a message box would show, handed to the test hook.
struct MessageBoxRequest {
    VRGuiWindow* owner = nullptr;
    std::string title;
    std::string text;
    uint32_t flags = MB_OK;
    std::string checkBoxCaption; // empty: the default caption
};

// Answers a box in place of the user: the box is not shown, the hook's answer
// is returned and checkBox (false on entry) is what it reports for the check
// box. The log line is still written. An empty function removes the hook.
using MessageBoxHook = std::function<int(const MessageBoxRequest& request, bool& checkBox)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The owner of boxes that name none; null until the main window exists.
void SetMainWindow(VRGuiWindow* window);
VRGuiWindow* GetMainWindow();

constexpr size_t kMaxMessageTitleBytes = 255;
constexpr size_t kMaxFormattedBodyBytes = 2047;

// Shows the request and logs it; checkBox (may be null) receives the check box state.
int RunMessageBox(const MessageBoxRequest& request, bool* checkBox);

// The body is the text of the key as it stands.
int ShowMessage(VRGuiWindow* owner, const std::string& bodyKey, uint32_t flags,
                const std::string& titleKey);

// The text of bodyKey is a format filled with the arguments.
template <typename... Args>
int ShowFormattedMessage(const std::string& titleKey, const std::string& bodyKey, uint32_t flags,
                         const Args&... args) {
    MessageBoxRequest request;
    request.owner = GetMainWindow();
    request.title = DialogTextCut(MyLoadString(titleKey), kMaxMessageTitleBytes);
    request.text =
        DialogTextCut(FormatLocalized(MyLoadString(bodyKey), args...), kMaxFormattedBodyBytes);
    request.flags = flags;
    return RunMessageBox(request, nullptr);
}

// As ShowFormattedMessage with the "do not ask again" check box, whose state
// is stored in dontAskAgain (when not null) after the box.
template <typename... Args>
int AskWithDontAskAgain(const std::string& titleKey, bool* dontAskAgain, const std::string& bodyKey,
                        uint32_t flags, const Args&... args) {
    MessageBoxRequest request;
    request.owner = GetMainWindow();
    request.title = DialogTextCut(MyLoadString(titleKey), kMaxMessageTitleBytes);
    request.text =
        DialogTextCut(FormatLocalized(MyLoadString(bodyKey), args...), kMaxFormattedBodyBytes);
    request.flags = flags | MB_DONTASKAGAIN;
    request.checkBoxCaption = MyLoadString("DoNotAskAgain");
    return RunMessageBox(request, dontAskAgain);
}

// Whether to beat-match: Yes or No with the question icon and the check box.
int AskBeatMatching(bool* dontAskAgain);
