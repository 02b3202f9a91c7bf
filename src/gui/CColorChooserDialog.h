#pragma once

#include "gui/CBaseDialog.h"

#include <array>
#include <cstdint>
#include <memory>

class CDialogTextField;

// Picks a colour: a grid of swatches and red, green and blue fields (0..255)
// with a preview. A swatch fills the fields; editing a field updates the
// preview. The colour is 0x00BBGGRR.
class CColorChooserDialog : public CBaseDialog {
public:
    static constexpr int32_t kColumns = 8;
    static constexpr int32_t kRows = 5;
    static constexpr int32_t kSwatch = 24;
    static constexpr int32_t kWidth = 2 * kMargin + kColumns * (kSwatch + 4) + 110;
    static constexpr int32_t kHeight = 250;

    CColorChooserDialog(const std::string& title, uint32_t color);
    ~CColorChooserDialog() override;

    uint32_t GetColor() const { return m_color; }
    void SetColor(uint32_t color);
    // The colour of a swatch of the grid.
    static uint32_t SwatchColor(int index);
    // A swatch's rectangle in the dialog's coordinates.
    GuiRect SwatchRect(int index) const;

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;

private:
    // Reads the three fields; a field that is not a number 0..255 keeps its channel.
    void ReadFields();
    GuiRect PreviewRect() const;

    uint32_t m_color;
    std::array<std::unique_ptr<CDialogTextField>, 3> m_fields;
};
