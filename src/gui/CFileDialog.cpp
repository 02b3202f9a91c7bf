#include "gui/CFileDialog.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogTextField.h"
#include "gui/CImage.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameBytes = 1023;
constexpr int32_t kLineHeight = 20;

std::mutex g_hookMutex;
FileDialogHook g_hook;

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsRoot(const fs::path& folder) {
    return folder == folder.root_path();
}

} // namespace

CFileDialog::CFileDialog(const FileDialogRequest& request)
    : CBaseDialog(request.title, kWidth, kHeight), m_request(request),
      m_extensions(ParseFilter(request.filter)),
      m_name(std::make_unique<CDialogTextField>(kWidth - 2 * kMargin, kMaxNameBytes)) {
    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t fieldTop = buttonTop - 8 - CDialogTextField::kHeight;
    AddFocusable(m_name.get(), kMargin, fieldTop);
    m_name->SetOnChange([this] { SelectByPrefix(); });
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
    SetDefaultButton(IDOK);
}

CFileDialog::~CFileDialog() {
    RemoveFocusable(m_name.get());
}

const std::string& CFileDialog::GetNameText() const {
    return m_name->GetText();
}

std::vector<std::string> CFileDialog::ParseFilter(const std::string& filter) {
    // Description and patterns alternate; the first pair's patterns count.
    const size_t bar = filter.find('|');
    const std::string patterns = bar == std::string::npos ? filter : filter.substr(bar + 1);
    std::vector<std::string> extensions;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find_first_of(";|", start);
        if (end == std::string::npos)
            end = patterns.size();
        const std::string pattern = Trim(patterns.substr(start, end - start));
        if (pattern == "*" || pattern == "*.*")
            return {};
        if (pattern.size() > 2 && pattern.compare(0, 2, "*.") == 0)
            extensions.push_back(Lower(pattern.substr(2)));
        if (end < patterns.size() && patterns[end] == '|')
            break;
        start = end + 1;
    }
    return extensions;
}

bool CFileDialog::PassesFilter(const std::string& name,
                               const std::vector<std::string>& extensions) {
    if (extensions.empty())
        return true;
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string extension = Lower(name.substr(dot + 1));
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

void CFileDialog::SortEntries(std::vector<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.folder != b.folder)
            return a.folder;
        const std::string la = Lower(a.name);
        const std::string lb = Lower(b.name);
        return la != lb ? la < lb : a.name < b.name;
    });
}

void CFileDialog::OnInitDialog() {
    std::error_code error;
    fs::path start =
        m_request.folder.empty() ? fs::current_path(error) : fs::path(m_request.folder);
    if (m_request.mode != FileDialogRequest::Mode::kFolder)
        m_name->SetText(m_request.fileName);
    SetFocus(m_name.get());
    if (EnterFolder(start))
        return;
    // Still somewhere to go up from, so that the user can leave an unreadable start.
    m_folder = fs::absolute(start, error).lexically_normal();
    m_folderText = m_folder.string();
    m_entries = {{"..", true}};
}

bool CFileDialog::ReadFolder(const fs::path& folder, std::vector<Entry>& entries) const {
    std::error_code error;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code kindError;
        if (it->is_directory(kindError)) {
            entries.push_back({name, true});
        } else if (m_request.mode != FileDialogRequest::Mode::kFolder &&
                   it->is_regular_file(kindError) && PassesFilter(name, m_extensions)) {
            entries.push_back({name, false});
        }
    }
    if (error) {
        LogFmt("File dialog: cannot read %s: %s", folder.string().c_str(), error.message().c_str());
        return false;
    }
    return true;
}

bool CFileDialog::EnterFolder(const fs::path& folder) {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error).lexically_normal();
    std::vector<Entry> entries;
    if (error || !ReadFolder(absolute, entries)) {
        Tell("guitools: filedlg cannot read", absolute.string());
        return false;
    }
    SortEntries(entries);
    if (!IsRoot(absolute))
        entries.insert(entries.begin(), {"..", true});
    m_folder = absolute;
    // A trailing separator of "dir/" would make "dir/" and "dir" two names of one folder.
    if (m_folder.has_relative_path() && !m_folder.has_filename())
        m_folder = m_folder.parent_path();
    m_folderText = m_folder.string();
    m_entries = std::move(entries);
    m_selected = -1;
    m_firstRow = 0;
    Invalidate(nullptr);
    return true;
}

int CFileDialog::VisibleRows() const {
    return std::max(1, (ListRect().Height() - 2) / kRowHeight);
}

GuiRect CFileDialog::ListRect() const {
    const int32_t top = ContentTop() + kLineHeight + 4;
    const int32_t bottom =
        kHeight - kMargin - CDialogButton::kHeight - 8 - CDialogTextField::kHeight - 8;
    return {kMargin, top, kWidth - kMargin, bottom};
}

GuiRect CFileDialog::RowRect(int index) const {
    const GuiRect list = ListRect();
    const int32_t top = list.top + 1 + (index - m_firstRow) * kRowHeight;
    return {list.left + 1, top, list.right - 1, top + kRowHeight};
}

void CFileDialog::InvalidateList() {
    const GuiRect list = ListRect();
    Invalidate(&list);
}

void CFileDialog::Select(int index, bool fillName) {
    if (m_entries.empty())
        return;
    m_selected = std::clamp(index, 0, static_cast<int>(m_entries.size()) - 1);
    if (m_selected < m_firstRow)
        m_firstRow = m_selected;
    else if (m_selected >= m_firstRow + VisibleRows())
        m_firstRow = m_selected - VisibleRows() + 1;
    if (fillName)
        m_name->SetText(m_entries[size_t(m_selected)].name);
    InvalidateList();
}

void CFileDialog::SelectByPrefix() {
    const std::string prefix = Lower(m_name->GetText());
    if (prefix.empty())
        return;
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (Lower(m_entries[i].name).compare(0, prefix.size(), prefix) == 0) {
            Select(static_cast<int>(i), false);
            return;
        }
}

void CFileDialog::OnCommand(int id) {
    if (id != IDOK) {
        EndDialog(id);
        return;
    }
    const std::string name = m_name->GetText();
    if (name.empty()) {
        if (m_request.mode == FileDialogRequest::Mode::kFolder)
            Choose(m_folder);
        return;
    }
    Activate(name);
}

void CFileDialog::Activate(const std::string& name) {
    const fs::path target = name == ".." ? m_folder.parent_path() : m_folder / name;
    std::error_code error;
    if (fs::is_directory(target, error)) {
        if (EnterFolder(target))
            m_name->SetText("");
        return;
    }
    switch (m_request.mode) {
    case FileDialogRequest::Mode::kFolder:
        Tell("guitools: filedlg not a folder", target.string());
        return;
    case FileDialogRequest::Mode::kOpen:
        if (fs::is_regular_file(target, error))
            Choose(target);
        else
            Tell("guitools: filedlg not found", target.string());
        return;
    case FileDialogRequest::Mode::kSave:
        if (!fs::exists(target, error) || Ask("guitools: filedlg overwrite", target.string()))
            Choose(target);
        return;
    }
}

void CFileDialog::Choose(const fs::path& path) {
    m_path = path.string();
    EndDialog(IDOK);
}

void CFileDialog::Tell(const std::string& key, const std::string& path) const {
    MessageBoxRequest request;
    request.owner = Owner();
    request.title = GetTitle();
    request.text = FormatLocalized(MyLoadString(key), path);
    request.flags = MB_OK | MB_ICONEXCLAMATION;
    RunMessageBox(request, nullptr);
}

bool CFileDialog::Ask(const std::string& key, const std::string& path) const {
    MessageBoxRequest request;
    request.owner = Owner();
    request.title = GetTitle();
    request.text = FormatLocalized(MyLoadString(key), path);
    request.flags = MB_YESNO | MB_ICONEXCLAMATION;
    return RunMessageBox(request, nullptr) == IDYES;
}

bool CFileDialog::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (event == kKeyUp && key == VK_BACK)
        m_backspaceDown = false;
    if (event == kKeyDown) {
        switch (key) {
        case VK_UP:
            Select(m_selected - 1, true);
            return true;
        case VK_DOWN:
            Select(m_selected + 1, true);
            return true;
        case VK_BACK: {
            // Backspace held down (to clear the name) repeats: only a fresh
            // press on an empty name goes up a folder, never the repeats, so
            // that a held key cannot carry the dialog off to the root.
            const bool repeat = m_backspaceDown;
            m_backspaceDown = true;
            if (GetFocus() != m_name.get() || m_name->GetText().empty()) {
                if (!repeat && !IsRoot(m_folder))
                    EnterFolder(m_folder.parent_path());
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return CBaseDialog::OnKey(event, key, modifiers);
}

bool CFileDialog::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    const GuiRect list = ListRect();
    if (!list.Contains(p.x, p.y) || (event != kMouseLeftDown && event != kMouseLeftDoubleClick))
        return CBaseDialog::OnMouse(event, p, keys);
    const int index = m_firstRow + (p.y - list.top - 1) / kRowHeight;
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return true;
    Select(index, true);
    if (event == kMouseLeftDoubleClick)
        Activate(m_entries[size_t(index)].name);
    return true;
}

bool CFileDialog::OnWheel(GuiPoint, int32_t delta, uint32_t) {
    const int notches = delta / kWheelDelta != 0 ? delta / kWheelDelta : (delta > 0 ? 1 : -1);
    const int last = std::max(0, static_cast<int>(m_entries.size()) - VisibleRows());
    const int first = std::clamp(m_firstRow - notches * kWheelRows, 0, last);
    if (first != m_firstRow) {
        m_firstRow = first;
        InvalidateList();
    }
    return true;
}

void CFileDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    DrawDialogText(cr, m_folderText,
                   {kMargin, ContentTop(), kWidth - kMargin, ContentTop() + kLineHeight},
                   kDialogBoldFont, text, false);
    const GuiRect list = ListRect();
    FillDialogRect(cr, list, DialogColor(kDialogListBackgroundItem));
    const int last = std::min(static_cast<int>(m_entries.size()), m_firstRow + VisibleRows());
    for (int i = m_firstRow; i < last; ++i) {
        const GuiRect row = RowRect(i);
        if (i == m_selected)
            FillDialogRect(cr, row, DialogColor(kDialogListSelectionItem));
        const Entry& entry = m_entries[size_t(i)];
        if (entry.folder) {
            // A small folder: a tab above a body.
            FillDialogRect(cr, {row.left + 4, row.top + 4, row.left + 9, row.top + 6}, 0x0040A0D8);
            FillDialogRect(cr, {row.left + 4, row.top + 6, row.left + 16, row.bottom - 4},
                           0x0040A0D8);
        }
        DrawDialogText(cr, entry.name, {row.left + 22, row.top, row.right - 4, row.bottom},
                       kDialogFont, text, false);
    }
    FrameDialogRect(cr, list, ShadeColor(DialogColor(kDialogBackgroundItem), -0.4));
}

void SetFileDialogHook(FileDialogHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_hook = std::move(hook);
}

bool ChooseFile(const FileDialogRequest& request, std::string& path) {
    FileDialogHook hook;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_hook;
    }
    if (hook) {
        if (!hook(request, path))
            return false;
    } else {
        VRGuiWindow* owner = request.owner ? request.owner : GetMainWindow();
        if (!owner) {
            LogFmt("File dialog without a window: %s", request.title.c_str());
            std::fprintf(stderr, "File dialog without a window: %s\n", request.title.c_str());
            return false;
        }
        CFileDialog dialog(request);
        if (dialog.DoModal(owner) != IDOK)
            return false;
        path = dialog.GetPath();
    }
    // A dialog started in a relative folder answers a relative path.
    path = MakeAbsolutePath(path);
    return true;
}
