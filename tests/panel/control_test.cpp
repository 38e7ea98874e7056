#include <gtest/gtest.h>

#include <vector>

#include "panel/panel.h"

namespace {

struct Recorder {
    std::vector<int> ids;
    ControlCallback callback() {
        return [this](int id) { ids.push_back(id); };
    }
};

TEST(TranslationPad, MovesBySpeedPerPixelWithRightAndUpPositive) {
    Recorder recorder;
    Panel panel;
    panel.defaultCallback = recorder.callback();
    Control* x = panel.add_translation("Translate X", TranslationKind::X, 1);
    Control* y = panel.add_translation("Translate Y", TranslationKind::Y, 2);
    Control* z = panel.add_translation("Translate Z", TranslationKind::Z, 3);
    for (Control* c : {x, y, z})
        c->set_speed(0.01f);

    x->dragTranslation(30, -7);  // right: plus; vertical movement ignored
    EXPECT_FLOAT_EQ(x->get_x(), 0.3f);
    x->dragTranslation(-10, 0);
    EXPECT_FLOAT_EQ(x->get_x(), 0.2f);
    EXPECT_EQ(x->get_y(), 0);

    y->dragTranslation(5, -20);  // up (negative window y): plus
    EXPECT_FLOAT_EQ(y->get_y(), 0.2f);
    z->dragTranslation(0, 40);  // down: minus
    EXPECT_FLOAT_EQ(z->get_z(), -0.4f);
    EXPECT_EQ(z->get_x(), 0);

    // Movement across the pad's axis changes nothing and calls nobody.
    x->dragTranslation(0, 12);
    y->dragTranslation(9, 0);
    EXPECT_EQ(recorder.ids, (std::vector<int>{1, 1, 2, 3}));
}

TEST(Panel, ControlsKeepTheirOrderIdsAndCallbacks) {
    Recorder recorder, own;
    Panel panel;
    panel.defaultCallback = recorder.callback();
    Control* button = panel.add_button("Quit", 5, own.callback());
    panel.add_separator();
    Control* list = panel.add_listbox("Add :", 10);
    Control* box = panel.add_checkbox("Lighting", 11);
    Control* group = panel.add_radiogroup(12);
    panel.add_radiobutton_to_group(group, "Select");
    panel.add_radiobutton_to_group(group, "Translate");
    ASSERT_EQ(panel.controls.size(), 5u);
    EXPECT_EQ(panel.controls[1]->kind, ControlKind::Separator);
    EXPECT_EQ(group->buttons, (std::vector<std::string>{"Select", "Translate"}));

    button->press();
    EXPECT_EQ(own.ids, std::vector<int>{5});  // a button's own callback replaces the default

    list->add_item(0, "Add Object");
    list->add_item(1, "cube.wrl");
    EXPECT_EQ(list->chosenText(), "Add Object");
    list->choose(1);
    EXPECT_EQ(list->get_int_val(), 1);
    EXPECT_EQ(list->chosenText(), "cube.wrl");
    list->choose(1);  // choosing the same model again asks for another instance
    box->choose(0);
    group->choose(1);
    EXPECT_EQ(recorder.ids, (std::vector<int>{10, 10, 11, 12}));

    // Setting values from the program calls nobody.
    box->set_int_val(1);
    list->set_int_val(7);
    EXPECT_EQ(list->chosenText(), "");
    EXPECT_EQ(recorder.ids.size(), 4u);
    panel.sync_live();  // no window: nothing to redraw, and no crash
}

}  // namespace
