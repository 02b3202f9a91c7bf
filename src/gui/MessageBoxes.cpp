#include "gui/MessageBoxes.h"

#include "gui/VRGuiWindow.h"
#include "support/Log.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_mutex;
MessageBoxHook g_hook;
VRGuiWindow* g_mainWindow = nullptr;

MessageBoxHook CurrentHook() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_hook;
}

int ShowBox(const MessageBoxRequest& request, bool& checked) {
    if (!request.owner) {
        std::fprintf(stderr, "%s - %s\n", request.title.c_str(), request.text.c_str());
        return CDeluxeMessageBox::CloseAnswerFor(request.flags);
    }
    CDeluxeMessageBox box;
    box.SetCheckBoxCaption(request.checkBoxCaption);
    const int answer = box.Show(request.owner, request.text, request.flags, request.title);
    checked = box.IsChecked();
    return answer;
}

} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_hook = std::move(hook);
}

void SetMainWindow(VRGuiWindow* window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_mainWindow = window;
}

VRGuiWindow* GetMainWindow() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_mainWindow;
}

int RunMessageBox(const MessageBoxRequest& request, bool* checkBox) {
    bool checked = false;
    const MessageBoxHook hook = CurrentHook();
    const int answer = hook ? hook(request, checked) : ShowBox(request, checked);
    LogFmt("%s - %s", request.title.c_str(), request.text.c_str());
    if (checkBox)
        *checkBox = checked;
    return answer;
}

int ShowMessage(VRGuiWindow* owner, const std::string& bodyKey, uint32_t flags,
                const std::string& titleKey) {
    MessageBoxRequest request;
    request.owner = owner ? owner : GetMainWindow();
    request.title = DialogTextCut(MyLoadString(titleKey), kMaxMessageTitleBytes);
    request.text = DialogTextCut(MyLoadString(bodyKey), kMaxFormattedBodyBytes);
    request.flags = flags;
    return RunMessageBox(request, nullptr);
}

int AskBeatMatching(bool* dontAskAgain) {
    MessageBoxRequest request;
    request.owner = GetMainWindow();
    request.title = MyLoadString("Quest_BeatMatch_Title");
    request.text = MyLoadString("Quest_BeatMatch_Body");
    request.flags = MB_DONTASKAGAIN | MB_ICONQUESTION | MB_YESNO;
    return RunMessageBox(request, dontAskAgain);
}
