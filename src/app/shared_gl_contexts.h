#pragma once

// From the call on, every GL context that the program's windows get shares its objects (buffer
// objects above all) with the others, so that each model's drawing data is kept once for all
// views. Call before the first window is made.
void shareGlObjectsAmongWindows();
