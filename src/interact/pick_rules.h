#pragma once

#include <cstddef>
#include <cstdint>

struct Scene;
struct View;

// GLUT's modifier masks as the press samples them (Shift, Ctrl and Alt only).
constexpr int MOD_SHIFT = 1;
constexpr int MOD_CTRL = 2;
constexpr int MOD_ALT = 4;

// What a mouse-button event asks of the window side once the View's drag fields are set.
struct PressEffect {
    bool redrawAll = false;  // the Selection was cleared before the pick: redraw every View
    bool pick = false;       // run the pick pass at the press position
};

// Records the drag state of a button event in `view` and, for a left press in Select mode in an
// orthographic View, applies the part of the selection rules that comes before the pick.
// `button` and `state` are GLUT's; `modifiers` is the Shift/Ctrl/Alt mask held at the press.
PressEffect handleButton(View& view, int button, int state, int x, int y, int modifiers,
                         int32_t editMode);

// The three bytes read back under the cursor in the pick image.
struct PickPixel {
    unsigned char red = 255, green = 255, blue = 255;
};

enum class PickResult { SelectHit, ClearSelection, Nothing };

struct PickOutcome {
    PickResult result = PickResult::Nothing;
    int position = -1;  // the hit object's position in the Scene's objects, for SelectHit
};

// Decodes the pick pixel and chooses what the click does by the modifiers of the press. A code
// that is not a position among `objectCount` objects counts as a miss.
PickOutcome decidePick(PickPixel pixel, int modifiers, std::size_t objectCount);

// Carries the outcome out on the Scene; true when every View must redraw.
bool applyPick(Scene& scene, const PickOutcome& outcome);
