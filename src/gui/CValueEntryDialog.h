#pragma once

#include "gui/CBaseDialog.h"

#include <memory>
#include <string>

class CDialogTextField;

// Asks for one value: a label over a field. In numeric mode OK takes the
// value only when it is a number within the limits; otherwise the dialog
// stays open and says which values it takes.
class CValueEntryDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 320;
    static constexpr int32_t kHeight = 160;
    static constexpr size_t kMaxTextBytes = 255;

    CValueEntryDialog(const std::string& title, const std::string& label);
    ~CValueEntryDialog() override;

    void SetNumeric(double minimum, double maximum);
    void SetText(const std::string& text);
    const std::string& GetText() const;
    // The number after IDOK in numeric mode.
    double GetValue() const { return m_value; }
    bool ShowsRangeError() const { return m_rangeError; }
    // Reads a whole number text within the limits.
    static bool ParseNumber(const std::string& text, double minimum, double maximum, double& value);

    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    std::string m_label;
    std::unique_ptr<CDialogTextField> m_field;
    bool m_numeric = false;
    double m_minimum = 0;
    double m_maximum = 0;
    double m_value = 0;
    bool m_rangeError = false;
};
