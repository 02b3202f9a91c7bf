#include "gui/CDialogButton.h"

#include "gui/CBaseDialog.h"
#include "gui/CImageManager.h"
#include "gui/DialogLook.h"
#include "gui/VRGuiWindow.h"

CDialogButton::CDialogButton(int32_t controlId, const std::string& caption)
    : GuiButton(controlId, kSkinBase, "", "") {
    SetSize(kWidth, kHeight);
    SetCaption(caption);
    ShowCaption(true);
    SetFont(kDialogFont);
    SetCaptionFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    for (int32_t state = kNormal; state < kDisabled; ++state)
        SetCaptionColor(state, DialogColor(kDialogTextItem));
}

void CDialogButton::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t face = DialogColor(kDialogButtonItem);
    const double shade = GetState() == kPressed ? -0.2 : GetState() == kHot ? 0.25 : 0.0;
    const GuiRect whole = GetRect();
    FillDialogRect(cr, whole, ShadeColor(face, shade));
    FrameDialogRect(cr, whole, ShadeColor(face, -0.45));
    GuiButton::OnDraw(r);
    if (CBaseDialog::HasFocus(this))
        FrameDialogRect(cr, {2, 2, whole.right - 2, whole.bottom - 2},
                        DialogColor(kDialogTitleItem));
}
