#include "app/globals.h"

ControlPanel controlPanel;
Scene scene;
View sideView(&scene);
View frontView(&scene);
View topView(&scene);
View perspectiveView(&scene);
int32_t editMode = Select;
