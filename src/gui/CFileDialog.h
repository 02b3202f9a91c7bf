#pragma once

#include "gui/CBaseDialog.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDialogTextField;

// What a file dialog is asked to do.
struct FileDialogRequest {
    enum class Mode { kOpen, kSave, kFolder };
    Mode mode = Mode::kOpen;
    VRGuiWindow* owner = nullptr; // null: the main window
    std::string title;
    std::string folder;   // where to start; empty: the current folder
    std::string fileName; // proposed name
    // "Description|*.ext1;*.ext2"; empty, "*" or "*.*" lists every file.
    std::string filter;
};

// Choosing a file to open or save, or a folder. The list shows the current
// folder: ".." first (except at the root), then the folders, then the files
// the filter lets through, each group sorted without regard to case; hidden
// files (a leading dot) are left out.
//
// Keyboard: Up/Down move the selection (its name goes into the name field),
// typed text goes into the name field and selects the first entry it begins,
// Backspace in an empty field goes to the parent folder, Enter takes the
// name: a folder is entered, a file chosen. A double click does the same for
// an entry. In save mode an existing file is chosen only when the user agrees
// to overwrite it; in folder mode Enter with an empty field chooses the
// current folder. A folder that cannot be read gives a message and the list
// stays where it was.
class CFileDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 400;
    static constexpr int32_t kRowHeight = 18;
    static constexpr int32_t kWheelDelta = 120;
    static constexpr int kWheelRows = 3;
    int GetFirstRow() const { return m_firstRow; }

    struct Entry {
        std::string name;
        bool folder = false;
    };

    explicit CFileDialog(const FileDialogRequest& request);
    ~CFileDialog() override;

    // The chosen file or folder after IDOK.
    const std::string& GetPath() const { return m_path; }
    const std::string& GetFolder() const { return m_folderText; }
    const std::vector<Entry>& GetEntries() const { return m_entries; }
    int GetSelection() const { return m_selected; }
    const std::string& GetNameText() const;
    // The list's rectangle and the rectangle of a row, in the dialog's coordinates.
    GuiRect ListRect() const;
    GuiRect RowRect(int index) const;

    // Whether a file name passes the filter's extensions (all when there are none).
    static bool PassesFilter(const std::string& name, const std::vector<std::string>& extensions);
    // The lower-case extensions (without dot) of a filter; empty for all files.
    static std::vector<std::string> ParseFilter(const std::string& filter);
    // Folders first, then files, each without regard to case.
    static void SortEntries(std::vector<Entry>& entries);

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    // The wheel scrolls the list, three rows a notch.
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    bool EnterFolder(const std::filesystem::path& folder);
    bool ReadFolder(const std::filesystem::path& folder, std::vector<Entry>& entries) const;
    void Select(int index, bool fillName);
    void SelectByPrefix();
    void Activate(const std::string& name);
    void Choose(const std::filesystem::path& path);
    void Tell(const std::string& key, const std::string& path) const;
    bool Ask(const std::string& key, const std::string& path) const;
    int VisibleRows() const;
    void InvalidateList();

    FileDialogRequest m_request;
    std::vector<std::string> m_extensions;
    std::filesystem::path m_folder;
    std::string m_folderText;
    std::vector<Entry> m_entries;
    int m_selected = -1;
    int m_firstRow = 0;
    std::unique_ptr<CDialogTextField> m_name;
    std::string m_path;
    // Set from a press of Backspace until it is let go.
    bool m_backspaceDown = false;
};

// Answers a file dialog in place of the user: returns whether a path was
// chosen and writes it. An empty function removes the hook.
using FileDialogHook = std::function<bool(const FileDialogRequest& request, std::string& path)>;
void SetFileDialogHook(FileDialogHook hook);

// Shows the dialog over the request's owner (or the main window) and answers
// whether the user chose; without any window it logs and answers false. The
// chosen path (the hook's too) is always absolute.
bool ChooseFile(const FileDialogRequest& request, std::string& path);
