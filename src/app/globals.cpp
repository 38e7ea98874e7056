#include "app/globals.h"

Scene scene;
View sideView(&scene);
View frontView(&scene);
View topView(&scene);
View perspectiveView(&scene);
int32_t editMode = Select;
