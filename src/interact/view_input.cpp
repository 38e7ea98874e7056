// Placeholder until picking, drags and key commands are written.
#include <cstdlib>

#include "app/view.h"

void View::keyboard(unsigned char key, int, int) {
    if (key == 27) {
        std::exit(1);
    }
}
void View::mouseButton(int, int, int, int) {}
void View::motion(int, int) {}
void View::pickAt(int, int) {}
