#include "panel/objects_frame.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// What every part of the frame works with.
struct Context {
    ObjectsFrame& frame;
    const ObjectsWindowHooks& hooks;
    ObjectsActions& actions;
};

ObjectsRequest request(ObjectsCommand command) {
    ObjectsRequest r;
    r.command = command;
    return r;
}

void ask(Context& c, ObjectsRequest r) {
    c.actions.push_back([&frame = c.frame, handle = c.hooks.handle, r = std::move(r)] {
        if (handle) {
            frame.message = handle(r);
        }
    });
}

void buttonsRow(Context& c) {
    const std::pair<const char*, ObjectsCommand> buttons[4] = {
        {"Select All", ObjectsCommand::SelectAll},
        {"Select None", ObjectsCommand::SelectNone},
        {"Delete", ObjectsCommand::Delete},
        {"Frame Selected", ObjectsCommand::FrameSelected}};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            ImGui::SameLine();
        }
        if (ImGui::Button(buttons[i].first)) {
            ask(c, request(buttons[i].second));
        }
    }
}

// Scrolls the list so that `row` is in sight, in the table's own scrolling region.
void scrollToRow(size_t row, float rowHeight, float headerHeight) {
    const float top = static_cast<float>(row) * rowHeight;
    const float shown = ImGui::GetWindowHeight() - headerHeight;
    const float scroll = ImGui::GetScrollY();
    if (top < scroll || top + rowHeight > scroll + shown) {
        ImGui::SetScrollY(std::max(0.0f, top - (shown - rowHeight) / 2));
    }
}

void objectList(Context& c, float height) {
    const ImGuiTableFlags flags = ImGuiTableFlags_ScrollY | ImGuiTableFlags_RowBg |
                                  ImGuiTableFlags_BordersOuter | ImGuiTableFlags_BordersInnerV;
    if (!ImGui::BeginTable("##objects", 3, flags, ImVec2(0, height))) {
        return;
    }
    const float digit = ImGui::CalcTextSize("0").x;
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("#", ImGuiTableColumnFlags_WidthFixed, digit * 7);
    ImGui::TableSetupColumn("Model", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableSetupColumn("Triangles", ImGuiTableColumnFlags_WidthFixed, digit * 11);
    ImGui::TableHeadersRow();
    const size_t count = c.hooks.model.rowCount ? c.hooks.model.rowCount() : 0;
    const float rowHeight = ImGui::GetTextLineHeight() + 2 * ImGui::GetStyle().CellPadding.y;
    if (c.frame.scrollTo && *c.frame.scrollTo < count) {
        scrollToRow(*c.frame.scrollTo, rowHeight, rowHeight);
        c.frame.scrolled = true;  // ImGui scrolls at the next frame: one more is drawn
    }
    c.frame.scrollTo.reset();
    // Only the rows in sight are asked for and laid out.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(std::min<size_t>(count, INT32_MAX)), rowHeight);
    while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            const size_t index = static_cast<size_t>(i);
            const ObjectsRow row = c.hooks.model.row(index);
            ImGui::TableNextRow();
            ImGui::TableSetColumnIndex(0);
            ImGui::PushID(i);
            if (ImGui::Selectable(row.position.c_str(), row.selected,
                                  ImGuiSelectableFlags_SpanAllColumns)) {
                ObjectsRequest click = request(ObjectsCommand::ClickRow);
                click.row = index;
                click.modifiers = c.frame.pressModifiers;
                ask(c, std::move(click));
            }
            ImGui::PopID();
            ImGui::TableSetColumnIndex(1);
            ImGui::TextUnformatted(row.name.c_str());
            ImGui::TableSetColumnIndex(2);
            const float room = ImGui::GetContentRegionAvail().x;
            const float width = ImGui::CalcTextSize(row.triangles.c_str()).x;
            ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::max(0.0f, room - width));
            ImGui::TextUnformatted(row.triangles.c_str());
        }
    }
    ImGui::EndTable();
}

void typedRow(TypedRow& row, Context& c) {
    const ImGuiStyle& style = ImGui::GetStyle();
    ImGui::PushID(row.label);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(row.label);
    const float labelWidth = ImGui::CalcTextSize("Scale by").x + style.ItemSpacing.x;
    ImGui::SameLine(labelWidth + style.WindowPadding.x);
    const bool scale = row.command == ObjectsCommand::ScaleBy;
    const float applyWidth = ImGui::CalcTextSize("Apply").x + 4 * style.FramePadding.x;
    const float fieldWidth =
        std::floor((ImGui::GetContentRegionAvail().x - applyWidth - 3 * style.ItemSpacing.x) / 3);
    bool entered = false;
    static const char* const AXES[3] = {"##x", "##y", "##z"};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            ImGui::SameLine();
        }
        const bool unused = scale && c.frame.uniform && i > 0;
        if (unused) {
            ImGui::BeginDisabled();
        }
        ImGui::SetNextItemWidth(fieldWidth);
        entered = ImGui::InputText(AXES[i], row.fields[i], TYPED_FIELD_SIZE,
                                   ImGuiInputTextFlags_EnterReturnsTrue) ||
                  entered;
        if (unused) {
            ImGui::EndDisabled();
        }
    }
    ImGui::SameLine();
    if (ImGui::Button("Apply", ImVec2(applyWidth, 0)) || entered) {
        ObjectsRequest apply = request(row.command);
        for (int i = 0; i < 3; ++i) {
            apply.fields[i] = row.fields[i];
        }
        apply.uniform = scale && c.frame.uniform;
        ask(c, std::move(apply));
    }
    ImGui::PopID();
}

}  // namespace

void buildObjectsFrame(ObjectsFrame& frame, const ObjectsWindowHooks& hooks,
                       ObjectsActions& actions) {
    Context c{frame, hooks, actions};
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##objectsWindow", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
    buttonsRow(c);

    const std::vector<std::string> lines =
        c.hooks.model.selectionLines ? c.hooks.model.selectionLines() : std::vector<std::string>();
    const ImGuiStyle& style = ImGui::GetStyle();
    const float line = ImGui::GetTextLineHeightWithSpacing();
    const float frameHeight = ImGui::GetFrameHeightWithSpacing();
    // Below the list: a separator, the selection's lines, three typed rows, the uniform box and
    // the message line.
    const float below = style.ItemSpacing.y * 2 + line * static_cast<float>(lines.size() + 1) +
                        frameHeight * 4 + style.ItemSpacing.y;
    objectList(c,
               std::max(ImGui::GetTextLineHeight() * 4, ImGui::GetContentRegionAvail().y - below));
    ImGui::Separator();
    for (const std::string& text : lines) {
        ImGui::TextUnformatted(text.c_str());
    }
    for (TypedRow& row : c.frame.rows) {
        typedRow(row, c);
    }
    ImGui::Checkbox("One factor for X, Y and Z", &c.frame.uniform);
    if (!c.frame.message.empty()) {
        ImGui::TextColored(ImVec4(0.70f, 0.05f, 0.05f, 1), "%s", c.frame.message.c_str());
    }
    // Delete outside the fields deletes the selection, as the Delete button does.
    if (!io.WantTextInput && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Delete), false)) {
        ask(c, request(ObjectsCommand::Delete));
    }
    ImGui::End();
}
