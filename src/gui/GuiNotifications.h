#pragma once

#include "gui/GuiButton.h"
#include "gui/GuiEditBox.h"
#include "gui/GuiEditDrop.h"
#include "gui/GuiMenuBar.h"
#include "gui/GuiSlider.h"
#include "gui/VRGuiImage.h"
#include "support/Notification.h"

#include <cstdint>

// What the toolkit's notifications carry (see support/Notification.h).
template <> struct NotificationCarries<GuiButton::kNotifyClick> {
    using Type = int32_t; // the button's control identifier
};
template <> struct NotificationCarries<VRGuiImage::kNotifyClicked> { using Type = VRGuiImage; };
template <> struct NotificationCarries<GuiSlider::kNotifyValueChange> {
    using Type = const GuiSliderChange;
};
template <> struct NotificationCarries<GuiEditBox::kNotifyTextChanged> {
    using Type = int32_t; // the box's control identifier
};
template <> struct NotificationCarries<GuiEditDrop::kNotifyEntryChosen> {
    using Type = int32_t; // the box's control identifier
};
template <> struct NotificationCarries<GuiMenuBar::kNotifyMenuCommand> {
    using Type = int32_t; // the command identifier
};
