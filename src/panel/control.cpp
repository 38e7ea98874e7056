#include <algorithm>

#include "panel/panel.h"

void Control::get_float_array_val(float* out) const { std::copy(rotation.begin(), rotation.end(), out); }
void Control::set_float_array_val(const float* values) { std::copy(values, values + 16, rotation.begin()); }
void Control::dragTranslation(int, int) {}
void Control::dragRotation(float, float, float, float) {}
void Control::choose(int value) {
    intValue = value;
    if (callback) callback(id);
}
void Control::press() {
    if (callback) callback(id);
}

Control* Panel::add_button(std::string, int, ControlCallback) { return nullptr; }
void Panel::add_separator() {}
Control* Panel::add_listbox(std::string, int) { return nullptr; }
Control* Panel::add_checkbox(std::string, int) { return nullptr; }
Control* Panel::add_radiogroup(int) { return nullptr; }
void Panel::add_radiobutton_to_group(Control*, std::string) {}
Control* Panel::add_translation(std::string, TranslationKind, int) { return nullptr; }
Control* Panel::add_rotation(std::string, int) { return nullptr; }
void Panel::sync_live() {}
