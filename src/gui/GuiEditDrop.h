#pragma once

#include "support/Observable.h"
#include "support/Observer.h"
#include "gui/CImage.h"
#include "gui/GuiEditBox.h"
#include "gui/VRGuiContainer.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class GuiEditDropCallback;

// A skinned field with a drop button: the user types into the field (an edit
// box child) or chooses one of the entries from a list opened by the button.
// Every notification of the edit box goes on to the drop's observers as it
// is (kNotifyTextChanged when typing ended); choosing an entry makes it the
// field's text and sends kNotifyEntryChosen with the box's identifier.
//
// The look comes from the skin images "<skin name>-left-<state>",
// "-middle-<state>" and "-right-<state>" for the states normal (0), hot (1),
// pressed (2) and spare (3); a state without an image uses state 0's. The
// right image is the drop button. Without images the field is drawn plainly
// with a button kFallbackButtonWidth wide.
class GuiEditDrop : public VRGuiContainer, public Observable, public Observer {
public:
    static constexpr int kNotifyEntryChosen = 1058;
    static constexpr size_t kMaxEntryBytes = 512;
    static constexpr int32_t kDefaultHeight = 10;
    static constexpr int32_t kFallbackButtonWidth = 12;
    static constexpr int kStateCount = 4;
    enum State : int32_t { kNormal = 0, kHot = 1, kPressed = 2 };

    GuiEditDrop(int32_t controlId, const std::string& skinName, int32_t width,
                GuiEditDropCallback* callback = nullptr);

    void SetCallback(GuiEditDropCallback* callback) { m_callback = callback; }
    // Entries are cut to kMaxEntryBytes; a highlighted one shows in bold.
    void AddEntry(const std::string& text, bool highlighted = false);
    void ClearEntries() { m_entries.clear(); }
    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    GuiEditBox& GetEditBox() { return m_editBox; }
    void SetText(const std::string& text) { m_editBox.SetText(text); }
    const std::string& GetText() const { return m_editBox.GetText(); }
    int32_t GetState() const { return m_state; }
    // The drop button, in the drop's coordinates.
    GuiRect ButtonRect() const;
    // Opens the list under the field and waits until it closes.
    void OpenList();

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;
    void OnNotification(int message, void* parameter) override;

private:
    struct Entry {
        std::string text;
        bool highlighted;
    };
    enum Part { kLeft = 0, kMiddle = 1, kRight = 2 };

    void LoadImages(const std::string& skinName);
    // The image of a part in the current state, or state 0's; null when neither exists.
    const CImage* Image(Part part) const;
    void SetState(int32_t state);
    // The entry to select when the list opens: the one matching the text, else
    // the first that is not a separator; -1 when there is none.
    int MatchingEntry() const;
    void DrawPlain(cairo_t* cr);

    GuiEditBox m_editBox;
    std::vector<Entry> m_entries;
    std::array<std::array<CImage, 3>, kStateCount> m_images;
    int32_t m_state = kNormal;
    GuiEditDropCallback* m_callback;
};
