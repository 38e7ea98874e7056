// The GLUT side of a View's key commands; the key table is in key_commands.
#include <cstdlib>

#include "interact/key_commands.h"
#include "view/view.h"

void View::keyboard(unsigned char key, int, int) {
    switch (applyKeyCommand(keyCommand(key), *scene, *editMode)) {
        case KeyEffect::Exit:
            std::exit(1);
        case KeyEffect::RedrawAll:
            if (redisplay != nullptr) {
                redisplay(window);
            }
            break;
        case KeyEffect::None:
            break;
    }
}
