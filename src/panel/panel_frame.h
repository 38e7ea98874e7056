#pragma once

#include <functional>
#include <vector>

#include "panel/panel.h"

// The ImGui side of the panel, used only by the panel window. What the user did during a frame
// comes back as actions to run once the frame is over: callbacks may switch windows, open modal
// dialogs or end the process, none of which may happen inside an ImGui frame.
using PanelActions = std::vector<std::function<void()>>;

// Colours and metrics of a light panel that sits beside the grey views.
void applyPanelStyle();
// The panel background, also used to clear the window.
extern const float PANEL_BACKGROUND[3];
// Lays out every control of `panel` in one window filling the display, between ImGui's NewFrame
// and Render.
void buildPanelFrame(Panel& panel, PanelActions& actions);
