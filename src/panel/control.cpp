#include <algorithm>

#include "panel/arcball.h"
#include "panel/panel.h"

void Control::get_float_array_val(float* out) const {
    std::copy(rotation.begin(), rotation.end(), out);
}

void Control::set_float_array_val(const float* values) {
    std::copy(values, values + 16, rotation.begin());
}

const std::string& Control::chosenText() const {
    static const std::string none;
    for (const ListItem& item : items) {
        if (item.value == intValue) {
            return item.text;
        }
    }
    return none;
}

void Control::dragTranslation(int dx, int dy) {
    float& value = translation[static_cast<int>(translationKind)];
    const int pixels = translationKind == TranslationKind::X ? dx : -dy;
    if (pixels == 0) {
        return;
    }
    value += speed * static_cast<float>(pixels);
    if (callback)
        callback(id);
}

void Control::dragRotation(float fromX, float fromY, float toX, float toY) {
    if (fromX == toX && fromY == toY) {
        return;
    }
    // The turn acts in screen space, after what the ball already holds.
    rotation = multiplyRotations(arcballRotation(fromX, fromY, toX, toY), rotation);
    orthonormalise(rotation);
    if (callback)
        callback(id);
}

void Control::choose(int value) {
    intValue = value;
    if (callback)
        callback(id);
}

void Control::press() {
    if (callback)
        callback(id);
}

namespace {

Control* addControl(Panel& panel, ControlKind kind, std::string label, int id,
                    ControlCallback callback) {
    auto control = std::make_unique<Control>();
    control->kind = kind;
    control->label = std::move(label);
    control->id = id;
    control->callback = callback ? std::move(callback) : panel.defaultCallback;
    panel.controls.push_back(std::move(control));
    return panel.controls.back().get();
}

}  // namespace

Control* Panel::add_button(std::string label, int id, ControlCallback callback) {
    return addControl(*this, ControlKind::Button, std::move(label), id, std::move(callback));
}

void Panel::add_separator() {
    addControl(*this, ControlKind::Separator, "", -1, {});
}

Control* Panel::add_listbox(std::string label, int id) {
    return addControl(*this, ControlKind::ListBox, std::move(label), id, {});
}

Control* Panel::add_checkbox(std::string label, int id) {
    return addControl(*this, ControlKind::Checkbox, std::move(label), id, {});
}

Control* Panel::add_radiogroup(int id) {
    return addControl(*this, ControlKind::RadioGroup, "", id, {});
}

void Panel::add_radiobutton_to_group(Control* group, std::string label) {
    if (group != nullptr) {
        group->buttons.push_back(std::move(label));
    }
}

Control* Panel::add_translation(std::string label, TranslationKind kind, int id) {
    Control* control = addControl(*this, ControlKind::Translation, std::move(label), id, {});
    control->translationKind = kind;
    return control;
}

Control* Panel::add_rotation(std::string label, int id) {
    return addControl(*this, ControlKind::Rotation, std::move(label), id, {});
}

Control* Panel::add_status_text(int rows) {
    Control* control = addControl(*this, ControlKind::StatusText, "", -1, {});
    control->rows = rows;
    return control;
}
