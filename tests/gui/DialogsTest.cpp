#include "DialogTestHelpers.h"

#include "gui/CColorChooserDialog.h"
#include "gui/CDialogButton.h"
#include "gui/CProgressDialog.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiInput.h"

using ProgressDialog = DialogTest;
using ValueDialogs = DialogTest;

TEST_F(ProgressDialog, CancelRaisesTheFlagAndUpdatesRepaintOnlyTheBar) {
    CProgressDialog progress("Working");
    progress.Show(&window);
    host.Advance(40);
    progress.Update(40);
    host.Advance(40);
    const GuiRect bar = progress.BarRect().Offset(progress.GetAbsX(), progress.GetAbsY());
    EXPECT_EQ(host.LastPresented().BoundingBox(), bar);

    EXPECT_FALSE(progress.IsCancelled());
    Click(host, progress.GetButton(IDCANCEL));
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(progress.IsOpen()); // the owner closes it once the worker stopped
    progress.Close();
    EXPECT_EQ(window.LayerCount(), 0);
    EXPECT_EQ(progress.GetResult(), IDCANCEL);
}

TEST_F(ProgressDialog, IndeterminateModeSweepsAndEscapeCancels) {
    CProgressDialog progress("Working");
    progress.SetIndeterminate(true);
    progress.Show(&window);
    host.Advance(40);
    const int paints = host.PaintCount();
    host.Advance(CProgressDialog::kSweepPeriodMs * 3);
    EXPECT_GT(host.PaintCount(), paints);
    host.KeyDown(VK_ESCAPE);
    EXPECT_TRUE(progress.IsCancelled());
}

TEST_F(ValueDialogs, NumberOutsideTheLimitsKeepsTheDialogOpen) {
    CValueEntryDialog entry("Tempo", "Beats per minute");
    entry.SetNumeric(1, 10);
    host.SetModalDriver([&, step = 0](COffscreenGuiHost& h, int) mutable {
        if (step++ == 0) {
            h.Text("42x-"); // the letter is refused as a whole
            h.Text("42");
            h.KeyDown(VK_RETURN);
            EXPECT_TRUE(entry.ShowsRangeError());
            h.KeyDown(VK_BACK);
            h.KeyDown(VK_BACK);
            h.Text("7.5");
            h.KeyDown(VK_RETURN);
        }
    });
    ASSERT_EQ(entry.DoModal(&window), IDOK);
    EXPECT_DOUBLE_EQ(entry.GetValue(), 7.5);
    double value = 0;
    EXPECT_FALSE(CValueEntryDialog::ParseNumber("1e999", 0, 1e308, value));
    EXPECT_FALSE(CValueEntryDialog::ParseNumber("", 0, 1, value));
}

TEST_F(ValueDialogs, ColorFromASwatchAndFromTheFields) {
    CColorChooserDialog chooser("Colour", 0x000000FF);
    host.SetModalDriver([&, step = 0](COffscreenGuiHost& h, int) mutable {
        if (step++ == 0) {
            ClickAt(h, InWindow(&chooser, chooser.SwatchRect(3)));
            EXPECT_EQ(chooser.GetColor(), CColorChooserDialog::SwatchColor(3));
            h.KeyDown(VK_TAB); // Cancel
            h.KeyDown(VK_TAB); // red field
            h.KeyDown(VK_BACK);
            h.KeyDown(VK_BACK);
            h.KeyDown(VK_BACK);
            h.Text("16");
            h.KeyDown(VK_RETURN);
        }
    });
    ASSERT_EQ(chooser.DoModal(&window), IDOK);
    EXPECT_EQ(chooser.GetColor(), (CColorChooserDialog::SwatchColor(3) & 0xFFFF00) | 0x10);
}
