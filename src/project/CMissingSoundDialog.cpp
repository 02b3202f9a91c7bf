#include "project/CMissingSoundDialog.h"

#include "gui/CDialogButton.h"
#include "gui/CFileDialog.h"
#include "gui/DialogLook.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CMissingSoundScan.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <mutex>

namespace {

constexpr int32_t kLabelWidth = 100;
constexpr int32_t kLineHeight = 20;
constexpr int32_t kDescriptionHeight = 34;
constexpr int32_t kButtonGap = 16;
// The searching-now line never holds more than this.
constexpr size_t kMaxSearchTextBytes = 259;

std::mutex g_hookMutex;
MissingSoundHook g_hook;

MissingSoundHook CurrentHook() {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    return g_hook;
}

int32_t MissingLineTop(int32_t contentTop) {
    return contentTop + kDescriptionHeight + 6;
}

} // namespace

CMissingSoundDialog::CMissingSoundDialog(const MissingSoundRequest& request,
                                         CMissingSoundScan& scan, MissingSoundFolders folders)
    : CBaseDialog(MyLoadString("FS_Title"), kWidth, kHeight), m_request(request), m_scan(scan),
      m_folders(folders) {
    const int ids[] = {kBrowseId, kEditPathId, kSkipId, kSkipAllId};
    const char* keys[] = {"FS_Browse", "FS_EditPath", "FS_Skip", "FS_SkipAll"};
    const int32_t rowWidth = 4 * CDialogButton::kWidth + 3 * kButtonGap;
    const int32_t y = kHeight - kMargin - CDialogButton::kHeight;
    for (int i = 0; i < 4; ++i)
        AddButton(ids[i], MyLoadString(keys[i]),
                  (kWidth - rowWidth) / 2 + i * (CDialogButton::kWidth + kButtonGap), y);
    SetDefaultButton(kSkipId);
    SetCancelId(kSkipId);
}

CMissingSoundDialog::~CMissingSoundDialog() {
    PollScan(false);
}

void CMissingSoundDialog::OnInitDialog() {
    SetFocus(GetButton(kBrowseId));
    PollScan(true);
}

void CMissingSoundDialog::PollScan(bool on) {
    // Through the owner: the dialog is not yet in its window when it starts.
    if (VRGuiWindow* owner = Owner()) {
        if (on)
            owner->StartTimer(this, kPollTimer, kPollPeriodMs);
        else
            owner->KillTimer(this, kPollTimer);
    }
}

void CMissingSoundDialog::OnTimer(uint32_t id) {
    if (id != kPollTimer)
        return;
    ShowSearchText(m_scan.SearchingNow());
    if (m_scan.Found())
        Finish(MissingSoundChoice::kScanResult);
}

void CMissingSoundDialog::OnCommand(int id) {
    switch (id) {
    case kBrowseId:
        Browse();
        break;
    case kEditPathId:
        AddSearchFolder();
        break;
    case kSkipAllId:
        Finish(MissingSoundChoice::kSkipAll);
        break;
    default:
        Finish(MissingSoundChoice::kSkip);
        break;
    }
}

void CMissingSoundDialog::OnClose() {
    Finish(MissingSoundChoice::kSkip);
}

void CMissingSoundDialog::Finish(MissingSoundChoice choice, const std::string& chosenPath) {
    PollScan(false);
    m_answer = {choice, chosenPath};
    EndDialog(choice == MissingSoundChoice::kSkip || choice == MissingSoundChoice::kSkipAll
                  ? IDCANCEL
                  : IDOK);
}

void CMissingSoundDialog::Browse() {
    FileDialogRequest request;
    request.owner = Owner();
    request.title = MyLoadString("MFD_Find") + " '" + m_request.fileName + "'";
    request.fileName = m_request.fileName;
    // The file dialog sits on top; a hit meanwhile must not end this dialog
    // under it, so polling waits until the user is back.
    PollScan(false);
    std::string path;
    if (ChooseFile(request, path) && !path.empty()) {
        Finish(MissingSoundChoice::kBrowsed, path);
        return;
    }
    PollScan(true);
}

void CMissingSoundDialog::AddSearchFolder() {
    m_scan.Stop();
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::kFolder;
    request.owner = Owner();
    request.title = MyLoadString("FSCP_AddFolderTitle");
    std::string folder;
    if (ChooseFile(request, folder) && !folder.empty() && !m_folders.folders.Contains(folder))
        m_folders.folders.AddString(folder);
    m_scan.Start(CMissingSoundScan::StartFolders(m_folders.folders.Strings()), m_request.fileName);
}

GuiRect CMissingSoundDialog::SearchTextRect() const {
    const int32_t top = MissingLineTop(ContentTop()) + kLineHeight;
    return {kMargin + kLabelWidth, top, kWidth - kMargin, top + kLineHeight};
}

void CMissingSoundDialog::ShowSearchText(const std::string& text) {
    const std::string shown = DialogTextCut(text, kMaxSearchTextBytes);
    if (shown == m_searchingNow)
        return;
    m_searchingNow = shown;
    const GuiRect line = SearchTextRect();
    Invalidate(&line);
}

void CMissingSoundDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t color = DialogColor(kDialogTextItem);
    const int32_t top = ContentTop();
    DrawDialogText(cr, MyLoadString("FS_Desc"),
                   {kMargin, top, kWidth - kMargin, top + kDescriptionHeight}, kDialogFont, color,
                   true);
    const int32_t missingTop = MissingLineTop(top);
    const int32_t valueLeft = kMargin + kLabelWidth;
    DrawDialogText(cr, MyLoadString("FS_Missing"),
                   {kMargin, missingTop, valueLeft, missingTop + kLineHeight}, kDialogBoldFont,
                   color, false);
    DrawDialogText(cr, DialogTextCut(m_request.missingPath, kMaxSearchTextBytes),
                   {valueLeft, missingTop, kWidth - kMargin, missingTop + kLineHeight}, kDialogFont,
                   color, false);
    const GuiRect search = SearchTextRect();
    DrawDialogText(cr, MyLoadString("FS_Searching"),
                   {kMargin, search.top, valueLeft, search.bottom}, kDialogBoldFont, color, false);
    DrawDialogText(cr, m_searchingNow, search, kDialogFont, color, false);
}

void SetMissingSoundHook(MissingSoundHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_hook = std::move(hook);
}

MissingSoundAnswer AskAboutMissingSound(const MissingSoundRequest& request, CMissingSoundScan& scan,
                                        MissingSoundFolders folders) {
    if (const MissingSoundHook hook = CurrentHook())
        return hook(request);
    VRGuiWindow* owner = GetMainWindow();
    if (!owner) {
        LogFmt("Missing sound without a window to ask in: %s", request.missingPath.c_str());
        return {};
    }
    CMissingSoundDialog dialog(request, scan, folders);
    dialog.DoModal(owner);
    return dialog.Answer();
}
