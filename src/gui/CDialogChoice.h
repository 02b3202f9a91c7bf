#pragma once

#include "gui/VRGuiObject.h"

#include <functional>
#include <string>
#include <vector>

// The drop-down choice of the dialogs: shows the chosen entry; a click opens
// the entries as a pop-up menu, Up and Down (while focused) step to the
// previous or next entry. A choice by the user calls the change callback.
class CDialogChoice : public VRGuiObject {
public:
    static constexpr int32_t kHeight = 22;
    static constexpr int32_t kArrowWidth = 16;

    CDialogChoice(int32_t width, std::vector<std::string> entries);

    // Replaces the entries and shows the one at index (the first when index
    // lies outside them); no change callback.
    void SetEntries(std::vector<std::string> entries, int index);
    // Set by the program: no change callback. An index outside the entries is ignored.
    void SetSelected(int index);
    int GetSelected() const { return m_selected; }
    const std::string& GetSelectedText() const;
    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    void Enable() override;
    void Disable() override;
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    void Choose(int index);
    void OpenList();

    std::vector<std::string> m_entries;
    int m_selected = 0;
    std::function<void()> m_onChange;
};
