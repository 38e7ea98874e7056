// The GLUT side of a View's key commands; the key table is in key_commands.
#include <cstdlib>

#include "interact/key_commands.h"
#include "interact/view_input.h"
#include "view/view.h"

void viewKeyboard(View& view, unsigned char key, int, int) {
    switch (applyKeyCommand(keyCommand(key), *view.scene, *view.editMode)) {
        case KeyEffect::Exit:
            std::exit(1);
        case KeyEffect::RedrawAll:
            if (view.redisplay != nullptr) {
                view.redisplay(view.window);
            }
            break;
        case KeyEffect::None:
            break;
    }
}
