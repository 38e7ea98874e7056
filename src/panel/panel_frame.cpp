#include "panel/panel_frame.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

constexpr float PAD_SIZE = 40;
constexpr float BALL_SIZE = 64;

ImU32 colour(float r, float g, float b, float a = 1) {
    return ImGui::ColorConvertFloat4ToU32(ImVec4(r, g, b, a));
}

// A label to the right of the square widget just laid out at `corner`, centred on it vertically.
// Drawn directly, so it does not make the widget's line taller.
void sideLabel(const std::string& text, ImVec2 corner, float widgetSize) {
    const float gap = ImGui::GetStyle().ItemInnerSpacing.x + 2;
    const ImVec2 at(corner.x + widgetSize + gap,
                    corner.y + (widgetSize - ImGui::GetTextLineHeight()) / 2);
    ImGui::GetWindowDrawList()->AddText(at, ImGui::GetColorU32(ImGuiCol_Text), text.c_str());
}

// Tells `notice` (when set) the control's id once the frame is over.
void tell(const ControlCallback& notice, const Control& control, PanelActions& actions) {
    if (notice) {
        actions.push_back([notice, id = control.id] { notice(id); });
    }
}

// Tracks a press-and-drag on the last item; returns the pointer movement since the last step
// while the item is held. The panel hears when the press starts and when it ends.
bool dragStep(Panel& panel, const Control& control, PanelActions& actions, ImVec2& from,
              ImVec2& to) {
    PanelDrag& drag = panel.drag;
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    if (ImGui::IsItemActivated()) {
        drag.control = &control;
        drag.lastX = mouse.x;
        drag.lastY = mouse.y;
        tell(panel.dragStarted, control, actions);
        return false;
    }
    if (ImGui::IsItemDeactivated()) {
        tell(panel.dragEnded, control, actions);
    }
    if (!ImGui::IsItemActive() || drag.control != &control) {
        if (drag.control == &control)
            drag.control = nullptr;
        return false;
    }
    if (mouse.x == drag.lastX && mouse.y == drag.lastY) {
        return false;
    }
    from = ImVec2(drag.lastX, drag.lastY);
    to = mouse;
    drag.lastX = mouse.x;
    drag.lastY = mouse.y;
    return true;
}

void arrow(ImDrawList* list, ImVec2 tip, float dx, float dy, ImU32 fill) {
    // A triangle pointing along (dx, dy), a unit direction.
    const float length = 7, half = 5;
    const ImVec2 base(tip.x - dx * length, tip.y - dy * length);
    list->AddTriangleFilled(tip, ImVec2(base.x - dy * half, base.y + dx * half),
                            ImVec2(base.x + dy * half, base.y - dx * half), fill);
}

void drawPad(Panel& panel, Control& control, PanelActions& actions) {
    const ImVec2 p = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("pad", ImVec2(PAD_SIZE, PAD_SIZE));
    ImVec2 from, to;
    if (dragStep(panel, control, actions, from, to)) {
        const int dx = static_cast<int>(to.x - from.x), dy = static_cast<int>(to.y - from.y);
        actions.push_back([&control, dx, dy] { control.dragTranslation(dx, dy); });
    }
    const bool active = ImGui::IsItemActive(), hovered = ImGui::IsItemHovered();
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 q(p.x + PAD_SIZE, p.y + PAD_SIZE);
    const float shade = active ? 0.70f : hovered ? 0.80f : 0.76f;
    list->AddRectFilled(p, q, colour(shade, shade + 0.03f, shade + 0.08f), 4);
    list->AddRect(p, q, colour(0.45f, 0.48f, 0.55f), 4);
    const ImVec2 c(p.x + PAD_SIZE / 2, p.y + PAD_SIZE / 2);
    const ImU32 ink = colour(0.20f, 0.25f, 0.35f);
    const float reach = PAD_SIZE / 2 - 5;
    if (control.translationKind == TranslationKind::X) {
        list->AddLine(ImVec2(c.x - reach + 4, c.y), ImVec2(c.x + reach - 4, c.y), ink, 2);
        arrow(list, ImVec2(c.x + reach, c.y), 1, 0, ink);
        arrow(list, ImVec2(c.x - reach, c.y), -1, 0, ink);
    } else {
        list->AddLine(ImVec2(c.x, c.y - reach + 4), ImVec2(c.x, c.y + reach - 4), ink, 2);
        arrow(list, ImVec2(c.x, c.y - reach), 0, -1, ink);
        arrow(list, ImVec2(c.x, c.y + reach), 0, 1, ink);
        if (control.translationKind == TranslationKind::Z) {
            // Depth: a ring around the shaft, as an axis pointing out of the screen is drawn.
            list->AddCircle(c, 6, ink, 16, 1.5f);
        }
    }
    sideLabel(control.label, p, PAD_SIZE);
}

// One great circle of the ball, turned by the ball's matrix; the far half is drawn fainter.
void greatCircle(ImDrawList* list, const Matrix4& m, ImVec2 c, float radius, int axisA, int axisB) {
    constexpr int STEPS = 48;
    ImVec2 previous;
    float previousZ = 0;
    for (int i = 0; i <= STEPS; ++i) {
        const float angle = 6.2831853f * i / STEPS;
        float v[3] = {0, 0, 0};
        v[axisA] = std::cos(angle);
        v[axisB] = std::sin(angle);
        const float x = m[0] * v[0] + m[4] * v[1] + m[8] * v[2];
        const float y = m[1] * v[0] + m[5] * v[1] + m[9] * v[2];
        const float z = m[2] * v[0] + m[6] * v[1] + m[10] * v[2];
        const ImVec2 point(c.x + x * radius, c.y - y * radius);
        if (i > 0) {
            const bool front = previousZ + z >= 0;
            list->AddLine(previous, point,
                          front ? colour(0.15f, 0.22f, 0.38f) : colour(0.45f, 0.52f, 0.65f, 0.5f),
                          front ? 1.5f : 1.0f);
        }
        previous = point;
        previousZ = z;
    }
}

void drawBall(Panel& panel, Control& control, PanelActions& actions) {
    const ImVec2 p = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("ball", ImVec2(BALL_SIZE, BALL_SIZE));
    const float radius = BALL_SIZE / 2 - 2;
    const ImVec2 c(p.x + BALL_SIZE / 2, p.y + BALL_SIZE / 2);
    ImVec2 from, to;
    if (dragStep(panel, control, actions, from, to)) {
        const float fx = (from.x - c.x) / radius, fy = (c.y - from.y) / radius;
        const float tx = (to.x - c.x) / radius, ty = (c.y - to.y) / radius;
        actions.push_back([&control, fx, fy, tx, ty] { control.dragRotation(fx, fy, tx, ty); });
    }
    const bool active = ImGui::IsItemActive(), hovered = ImGui::IsItemHovered();
    ImDrawList* list = ImGui::GetWindowDrawList();
    const float shade = active ? 0.72f : hovered ? 0.82f : 0.78f;
    list->AddCircleFilled(c, radius, colour(shade, shade + 0.03f, shade + 0.1f), 40);
    list->AddCircleFilled(ImVec2(c.x - radius * 0.3f, c.y - radius * 0.3f), radius * 0.35f,
                          colour(1, 1, 1, 0.35f), 24);
    greatCircle(list, control.rotation, c, radius, 0, 1);
    greatCircle(list, control.rotation, c, radius, 1, 2);
    greatCircle(list, control.rotation, c, radius, 0, 2);
    list->AddCircle(c, radius, colour(0.35f, 0.40f, 0.50f), 40, 1.5f);
    sideLabel(control.label, p, BALL_SIZE);
}

// A list item that shows the whole of its text: on one line when it fits `width`, as before,
// otherwise wrapped over as many lines as it needs.
bool fullTextSelectable(const std::string& text, bool chosen, float width) {
    if (ImGui::CalcTextSize(text.c_str()).x <= width) {
        return ImGui::Selectable(text.c_str(), chosen);
    }
    const ImVec2 size = ImGui::CalcTextSize(text.c_str(), nullptr, false, width);
    const ImVec2 corner = ImGui::GetCursorScreenPos();
    const bool pressed = ImGui::Selectable("##item", chosen, 0, ImVec2(0, size.y));
    ImGui::GetWindowDrawList()->AddText(ImGui::GetFont(), ImGui::GetFontSize(), corner,
                                        ImGui::GetColorU32(ImGuiCol_Text), text.c_str(), nullptr,
                                        width);
    return pressed;
}

void drawListBox(Control& control, PanelActions& actions) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(control.label.c_str());
    ImGui::SameLine();
    ImGui::SetNextItemWidth(-FLT_MIN);
    // An item too long for the widest drop-down the panel can show: the drop-down takes the
    // panel's whole width and such items wrap. Short items leave it as it always was.
    const ImGuiStyle& style = ImGui::GetStyle();
    const float dropDownWidth = ImGui::GetIO().DisplaySize.x - 2 * style.DisplaySafeAreaPadding.x;
    const float textRoom = dropDownWidth - 2 * style.FramePadding.x - style.ScrollbarSize;
    bool wraps = false;
    for (const ListItem& item : control.items) {
        if (ImGui::CalcTextSize(item.text.c_str()).x > textRoom) {
            wraps = true;
            break;
        }
    }
    if (wraps) {
        constexpr int VISIBLE_LINES = 20;  // as many as a large combo shows
        const float height = (ImGui::GetFontSize() + style.ItemSpacing.y) * VISIBLE_LINES -
                             style.ItemSpacing.y + 2 * style.WindowPadding.y;
        ImGui::SetNextWindowSizeConstraints(ImVec2(dropDownWidth, 0),
                                            ImVec2(dropDownWidth, height));
    }
    if (ImGui::BeginCombo("##list", control.chosenText().c_str(), ImGuiComboFlags_HeightLarge)) {
        const float width = ImGui::GetContentRegionAvail().x;
        for (size_t i = 0; i < control.items.size(); ++i) {
            const ListItem& item = control.items[i];
            ImGui::PushID(static_cast<int>(i));
            if (fullTextSelectable(item.text, item.value == control.intValue, width)) {
                const int value = item.value;
                actions.push_back([&control, value] { control.choose(value); });
            }
            ImGui::PopID();
        }
        if (!control.note.empty()) {
            ImGui::PushTextWrapPos(0);
            ImGui::TextDisabled("%s", control.note.c_str());
            ImGui::PopTextWrapPos();
        }
        ImGui::EndCombo();
    }
}

// Status text at the bottom of the window (above the status texts that follow it), or right below
// the controls where the window is too short for that. The lines are drawn without item spacing
// and take the same place whatever they say.
void drawStatusText(const Panel& panel, const Control& control) {
    const float lineHeight = ImGui::GetTextLineHeight();
    const float height = lineHeight * static_cast<float>(control.rows);
    int rowsBelow = 0;
    bool after = false;
    for (const auto& other : panel.controls) {
        if (after && other->kind == ControlKind::StatusText) {
            rowsBelow += other->rows;
        }
        after = after || other.get() == &control;
    }
    const float bottom = ImGui::GetWindowPos().y + ImGui::GetWindowHeight() -
                         ImGui::GetStyle().WindowPadding.y - height -
                         lineHeight * static_cast<float>(rowsBelow);
    ImVec2 corner = ImGui::GetCursorScreenPos();
    if (corner.y < bottom) {
        corner.y = bottom;
        ImGui::SetCursorScreenPos(corner);
    }
    ImGui::Dummy(ImVec2(ImGui::GetContentRegionAvail().x, height));
    ImDrawList* list = ImGui::GetWindowDrawList();
    const int shown = std::min(static_cast<int>(control.lines.size()), control.rows);
    for (int i = 0; i < shown; ++i) {
        list->AddText(ImVec2(corner.x, corner.y + lineHeight * static_cast<float>(i)),
                      ImGui::GetColorU32(ImGuiCol_Text), control.lines[i].c_str());
    }
}

// A button as wide as its share of the row: the whole width, or a part of it when buttons
// follow on the same row.
void drawButton(Control& control, float width, PanelActions& actions) {
    if (ImGui::Button(control.label.c_str(), ImVec2(width, 0))) {
        actions.push_back([&control] { control.press(); });
    }
}

void drawControl(Panel& panel, Control& control, float width, PanelActions& actions) {
    switch (control.kind) {
        case ControlKind::Button:
            drawButton(control, width, actions);
            break;
        case ControlKind::StatusText:
            drawStatusText(panel, control);
            break;
        case ControlKind::Separator:
            ImGui::Separator();
            break;
        case ControlKind::ListBox:
            drawListBox(control, actions);
            break;
        case ControlKind::Checkbox: {
            bool ticked = control.intValue != 0;
            if (ImGui::Checkbox(control.label.c_str(), &ticked)) {
                const int value = ticked ? 1 : 0;
                actions.push_back([&control, value] { control.choose(value); });
            }
            break;
        }
        case ControlKind::RadioGroup:
            for (size_t i = 0; i < control.buttons.size(); ++i) {
                const int value = static_cast<int>(i);
                ImGui::PushID(value);
                if (ImGui::RadioButton(control.buttons[i].c_str(), control.intValue == value)) {
                    actions.push_back([&control, value] { control.choose(value); });
                }
                ImGui::PopID();
            }
            break;
        case ControlKind::Translation:
            drawPad(panel, control, actions);
            break;
        case ControlKind::Rotation:
            drawBall(panel, control, actions);
            break;
    }
}

}  // namespace

const float PANEL_BACKGROUND[3] = {0.90f, 0.90f, 0.90f};

void applyPanelStyle() {
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(6, 6);
    style.WindowRounding = 0;
    style.WindowBorderSize = 0;
    style.FramePadding = ImVec2(5, 3);
    style.FrameRounding = 3;
    style.FrameBorderSize = 1;
    style.ItemSpacing = ImVec2(6, 4);
    style.PopupRounding = 3;
    style.ScrollbarSize = 10;
    ImVec4* colours = style.Colors;
    colours[ImGuiCol_WindowBg] =
        ImVec4(PANEL_BACKGROUND[0], PANEL_BACKGROUND[1], PANEL_BACKGROUND[2], 1);
    colours[ImGuiCol_Border] = ImVec4(0.62f, 0.64f, 0.68f, 1);
    colours[ImGuiCol_Button] = ImVec4(0.82f, 0.84f, 0.88f, 1);
    colours[ImGuiCol_ButtonHovered] = ImVec4(0.74f, 0.80f, 0.90f, 1);
    colours[ImGuiCol_ButtonActive] = ImVec4(0.62f, 0.71f, 0.86f, 1);
    colours[ImGuiCol_FrameBg] = ImVec4(0.97f, 0.97f, 0.97f, 1);
    colours[ImGuiCol_Separator] = ImVec4(0.68f, 0.68f, 0.70f, 1);
}

void buildPanelFrame(Panel& panel, PanelActions& actions) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##panel", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
    const auto& controls = panel.controls;
    for (size_t first = 0; first < controls.size();) {
        // The controls of one row: this one and those that stand beside their predecessor.
        size_t end = first + 1;
        while (end < controls.size() && controls[end]->besidePrevious) {
            ++end;
        }
        const float spacing = ImGui::GetStyle().ItemSpacing.x;
        const float count = static_cast<float>(end - first);
        const float share =
            end - first == 1
                ? -FLT_MIN
                : std::floor((ImGui::GetContentRegionAvail().x - spacing * (count - 1)) / count);
        for (size_t i = first; i < end; ++i) {
            Control& control = *controls[i];
            if (i > first) {
                ImGui::SameLine();
            }
            ImGui::PushID(&control);
            if (!control.enabled) {
                ImGui::BeginDisabled();
            }
            drawControl(panel, control, share, actions);
            if (!control.enabled) {
                ImGui::EndDisabled();
            }
            ImGui::PopID();
        }
        first = end;
    }
    ImGui::End();
}
